// PulseAudio queries on a private main loop, each bounded by a deadline, and the
// master volume's mixer on a connection of its own.
#include "sound/platform/PulseAudioDevices.h"
#include "sound/platform/PulseMixer.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace {

using TClock = std::chrono::steady_clock;

// One connection to the server for the length of a query.
class TPulseSession {
public:
    explicit TPulseSession(int timeoutMs)
        : Deadline(TClock::now() + std::chrono::milliseconds(timeoutMs)) {
        Loop = pa_mainloop_new();
        if (!Loop) return;
        Context = pa_context_new(pa_mainloop_get_api(Loop), "Talvimorena");
        if (!Context) return;
        if (pa_context_connect(Context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return;
        RunUntil([this] {
            pa_context_state_t s = pa_context_get_state(Context);
            return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
        });
        Ready = pa_context_get_state(Context) == PA_CONTEXT_READY;
    }
    ~TPulseSession() {
        if (Context) {
            pa_context_disconnect(Context);
            pa_context_unref(Context);
        }
        if (Loop) pa_mainloop_free(Loop);
    }
    TPulseSession(const TPulseSession&) = delete;
    TPulseSession& operator=(const TPulseSession&) = delete;

    bool IsReady() const { return Ready; }
    pa_context* Ctx() const { return Context; }

    // Waits for an operation to finish; false when it was cancelled, the
    // connection broke or the deadline passed.
    bool Complete(pa_operation* op) {
        if (!op) return false;
        RunUntil([&] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; });
        bool done = pa_operation_get_state(op) == PA_OPERATION_DONE;
        if (!done) pa_operation_cancel(op);
        pa_operation_unref(op);
        return done && pa_context_get_state(Context) == PA_CONTEXT_READY;
    }

private:
    void RunUntil(const std::function<bool()>& done) {
        while (!done()) {
            auto left =
                std::chrono::duration_cast<std::chrono::microseconds>(Deadline - TClock::now());
            if (left.count() <= 0) return;
            if (pa_mainloop_prepare(Loop, static_cast<int>(left.count())) < 0) return;
            if (pa_mainloop_poll(Loop) < 0) return;
            if (pa_mainloop_dispatch(Loop) < 0) return;
        }
    }

    TClock::time_point Deadline;
    pa_mainloop* Loop = nullptr;
    pa_context* Context = nullptr;
    bool Ready = false;
};

std::string OrEmpty(const char* s) {
    return s ? s : "";
}

void OnServerInfo(pa_context*, const pa_server_info* info, void* user) {
    if (info)
        static_cast<TPulseServerState*>(user)->DefaultSinkName = OrEmpty(info->default_sink_name);
}

void OnSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* user) {
    if (eol || !info) return;
    TPulseSink sink;
    sink.Index = info->index;
    sink.Name = OrEmpty(info->name);
    sink.Description = OrEmpty(info->description);
    sink.Channels = info->sample_spec.channels;
    sink.Rate = info->sample_spec.rate;
    static_cast<std::vector<TPulseSink>*>(user)->push_back(std::move(sink));
}

} // namespace

TPulseServerState QueryPulseServer(int timeoutMs) {
    TPulseServerState state;
    TPulseSession session(timeoutMs);
    if (!session.IsReady()) return state;
    if (!session.Complete(pa_context_get_server_info(session.Ctx(), OnServerInfo, &state)))
        return {};
    if (!session.Complete(pa_context_get_sink_info_list(session.Ctx(), OnSinkInfo, &state.Sinks)))
        return {};
    state.Answered = true;
    return state;
}

bool PulseServerAnswers(int timeoutMs) {
    TPulseServerState state;
    TPulseSession session(timeoutMs);
    return session.IsReady() &&
           session.Complete(pa_context_get_server_info(session.Ctx(), OnServerInfo, &state));
}

bool PulseSinkExists(const std::string& name, int timeoutMs) {
    TPulseSession session(timeoutMs);
    if (!session.IsReady() || name.empty()) return false;
    std::vector<TPulseSink> found;
    if (!session.Complete(
            pa_context_get_sink_info_by_name(session.Ctx(), name.c_str(), OnSinkInfo, &found)))
        return false;
    return found.size() == 1 && found[0].Name == name;
}

bool PulseLibraryUsable() {
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop) return false;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Talvimorena");
    bool usable = context != nullptr;
    if (context) pa_context_unref(context);
    pa_mainloop_free(loop);
    return usable;
}

// ---- The master volume's mixer ----

namespace {

// The server's 0..65536 (100 %) and the mixer's 0..65535: below the top a level is
// the same number on both scales, so every slider step (512 units) is exactly the
// server's and reads back as written; the mixer's top is the server's 100 %, and a
// louder sink reads as the top.
uint16_t ToUnits(pa_volume_t v) {
    return static_cast<uint16_t>(std::min<pa_volume_t>(v, 65535));
}

pa_volume_t FromUnits(uint16_t units) {
    return units == 65535 ? PA_VOLUME_NORM : pa_volume_t{units};
}

// What the mixer reads of a sink.
struct TSinkLevels {
    bool Found = false;
    uint32_t Index = PA_INVALID_INDEX;
    pa_cvolume Volume{};
    pa_channel_map Map{};
    bool Mute = false;
};

void OnSinkLevels(pa_context*, const pa_sink_info* info, int eol, void* user) {
    if (eol || !info) return;
    auto* out = static_cast<TSinkLevels*>(user);
    out->Found = true;
    out->Index = info->index;
    out->Volume = info->volume;
    out->Map = info->channel_map;
    out->Mute = info->mute != 0;
}

bool HasFrontPair(const pa_channel_map& map) {
    return pa_channel_map_has_position(&map, PA_CHANNEL_POSITION_FRONT_LEFT) &&
           pa_channel_map_has_position(&map, PA_CHANNEL_POSITION_FRONT_RIGHT);
}

TLineVolume LevelsOf(const TSinkLevels& sink) {
    TLineVolume line;
    line.Mute = sink.Mute;
    if (sink.Volume.channels >= 2 && HasFrontPair(sink.Map)) {
        line.Left = ToUnits(
            pa_cvolume_get_position(&sink.Volume, &sink.Map, PA_CHANNEL_POSITION_FRONT_LEFT));
        line.Right = ToUnits(
            pa_cvolume_get_position(&sink.Volume, &sink.Map, PA_CHANNEL_POSITION_FRONT_RIGHT));
    } else {
        line.Left = line.Right = ToUnits(pa_cvolume_max(&sink.Volume));
    }
    return line;
}

// The sink's channel volumes with front left and right set; the other channels keep
// their balance to the louder of the two.
pa_cvolume WithLevels(const TSinkLevels& sink, uint16_t left, uint16_t right) {
    pa_cvolume v = sink.Volume;
    if (v.channels < 2 || !HasFrontPair(sink.Map)) {
        pa_cvolume_set(&v, v.channels, FromUnits(std::max(left, right)));
        return v;
    }
    const pa_volume_t oldFront =
        std::max(pa_cvolume_get_position(&sink.Volume, &sink.Map, PA_CHANNEL_POSITION_FRONT_LEFT),
                 pa_cvolume_get_position(&sink.Volume, &sink.Map, PA_CHANNEL_POSITION_FRONT_RIGHT));
    const pa_volume_t newFront = FromUnits(std::max(left, right));
    for (unsigned i = 0; i < v.channels; ++i) {
        switch (sink.Map.map[i]) {
        case PA_CHANNEL_POSITION_FRONT_LEFT:
            v.values[i] = FromUnits(left);
            break;
        case PA_CHANNEL_POSITION_FRONT_RIGHT:
            v.values[i] = FromUnits(right);
            break;
        default:
            v.values[i] = oldFront == 0
                              ? newFront
                              : static_cast<pa_volume_t>(std::min<uint64_t>(
                                    uint64_t{v.values[i]} * newFront / oldFront, PA_VOLUME_MAX));
            break;
        }
    }
    return v;
}

constexpr auto MixerCallTime = std::chrono::milliseconds(1000);
constexpr auto MixerPollStep = std::chrono::microseconds(200);

} // namespace

// The connection and its thread. Everything of it is touched only under the main
// loop's lock, which libpulse holds while it runs a callback.
struct TPulseMixer::TConnection {
    pa_threaded_mainloop* Loop = nullptr;
    pa_context* Context = nullptr;
    TNotify Notify;
    // The sink the notices follow: the default sink as last read.
    std::atomic<uint32_t> WatchedSink{PA_INVALID_INDEX};

    ~TConnection() {
        if (!Loop) return;
        pa_threaded_mainloop_lock(Loop);
        if (Context) {
            pa_context_set_subscribe_callback(Context, nullptr, nullptr);
            pa_context_set_state_callback(Context, nullptr, nullptr);
            pa_context_disconnect(Context);
        }
        pa_threaded_mainloop_unlock(Loop);
        pa_threaded_mainloop_stop(Loop);
        if (Context) pa_context_unref(Context);
        pa_threaded_mainloop_free(Loop);
    }

    // With the lock held: lets the loop's thread work until done() or the time is up.
    template <typename F> bool WaitFor(F done, std::chrono::steady_clock::duration time) {
        const auto deadline = std::chrono::steady_clock::now() + time;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            pa_threaded_mainloop_unlock(Loop);
            std::this_thread::sleep_for(MixerPollStep);
            pa_threaded_mainloop_lock(Loop);
        }
        return true;
    }

    // With the lock held: waits for an operation; false when it failed or took too long.
    bool Complete(pa_operation* op) {
        if (!op) return false;
        WaitFor([&] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, MixerCallTime);
        const bool done = pa_operation_get_state(op) == PA_OPERATION_DONE;
        if (!done) pa_operation_cancel(op);
        pa_operation_unref(op);
        return done && pa_context_get_state(Context) == PA_CONTEXT_READY;
    }

    // With the lock held: the default sink's levels.
    bool ReadDefaultSink(TSinkLevels& sink) {
        TPulseServerState server;
        if (!Complete(pa_context_get_server_info(Context, OnServerInfo, &server)) ||
            server.DefaultSinkName.empty())
            return false;
        if (!Complete(pa_context_get_sink_info_by_name(Context, server.DefaultSinkName.c_str(),
                                                       OnSinkLevels, &sink)) ||
            !sink.Found)
            return false;
        WatchedSink = sink.Index;
        return true;
    }

    static void OnEvent(pa_context*, pa_subscription_event_type_t type, uint32_t index,
                        void* user) {
        auto* self = static_cast<TConnection*>(user);
        const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        const bool sinkChanged = facility == PA_SUBSCRIPTION_EVENT_SINK &&
                                 kind == PA_SUBSCRIPTION_EVENT_CHANGE && index == self->WatchedSink;
        // The server's change events include a new default sink.
        const bool serverChanged = facility == PA_SUBSCRIPTION_EVENT_SERVER;
        if ((sinkChanged || serverChanged) && self->Notify) self->Notify();
    }
};

TPulseMixer::TPulseMixer() : Server(std::make_unique<TConnection>()) {}

TPulseMixer::~TPulseMixer() = default;

std::unique_ptr<TPulseMixer> TPulseMixer::Create(TNotify onChange, int timeoutMs) {
    std::unique_ptr<TPulseMixer> mixer(new TPulseMixer());
    TConnection& c = *mixer->Server;
    c.Notify = std::move(onChange);
    c.Loop = pa_threaded_mainloop_new();
    if (!c.Loop) return nullptr;
    c.Context = pa_context_new(pa_threaded_mainloop_get_api(c.Loop), "Talvimorena mixer");
    if (!c.Context) return nullptr;
    if (pa_context_connect(c.Context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return nullptr;
    if (pa_threaded_mainloop_start(c.Loop) < 0) return nullptr;
    pa_threaded_mainloop_lock(c.Loop);
    c.WaitFor(
        [&] {
            const pa_context_state_t s = pa_context_get_state(c.Context);
            return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
        },
        std::chrono::milliseconds(timeoutMs));
    bool ready = pa_context_get_state(c.Context) == PA_CONTEXT_READY;
    if (ready) {
        pa_context_set_subscribe_callback(c.Context, TConnection::OnEvent, &c);
        const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK |
                                                              PA_SUBSCRIPTION_MASK_SERVER);
        ready = c.Complete(pa_context_subscribe(c.Context, mask, nullptr, nullptr));
        TSinkLevels sink;
        if (ready) c.ReadDefaultSink(sink); // which sink the notices follow
    }
    pa_threaded_mainloop_unlock(c.Loop);
    if (!ready) return nullptr;
    return mixer;
}

bool TPulseMixer::GetLineVolume(int destination, int index, TLineVolume& out) {
    if (destination != 0 || index != 0) {
        Error = "Volume GetControlError in Mixer";
        return false;
    }
    pa_threaded_mainloop_lock(Server->Loop);
    TSinkLevels sink;
    const bool ok = Server->ReadDefaultSink(sink);
    pa_threaded_mainloop_unlock(Server->Loop);
    if (!ok) {
        Error = "Volume GetControlError in Mixer";
        return false;
    }
    out = LevelsOf(sink);
    return true;
}

bool TPulseMixer::SetLineVolume(int destination, int index, bool mute, uint16_t left,
                                uint16_t right) {
    if (destination != 0 || index != 0) {
        Error = "Volume SetControlError in Mixer";
        return false;
    }
    TConnection& c = *Server;
    pa_threaded_mainloop_lock(c.Loop);
    TSinkLevels sink;
    bool ok = c.ReadDefaultSink(sink);
    if (ok) {
        const pa_cvolume volume = WithLevels(sink, left, right);
        ok = c.Complete(
            pa_context_set_sink_volume_by_index(c.Context, sink.Index, &volume, nullptr, nullptr));
        if (!ok) Error = "Volume SetControlError in Mixer";
    } else {
        Error = "Volume SetControlError in Mixer";
    }
    if (ok) {
        ok = c.Complete(
            pa_context_set_sink_mute_by_index(c.Context, sink.Index, mute, nullptr, nullptr));
        if (!ok) Error = "Mute SetControlError in Mixer";
    }
    pa_threaded_mainloop_unlock(c.Loop);
    return ok;
}
