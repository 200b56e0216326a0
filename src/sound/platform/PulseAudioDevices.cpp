// PulseAudio queries on a private main loop, each bounded by a deadline.
#include "sound/platform/PulseAudioDevices.h"

#include <pulse/pulseaudio.h>

#include <chrono>
#include <functional>

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
