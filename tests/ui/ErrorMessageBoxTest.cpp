// What a timer's tick handler throws, shown by the window's message box: the real
// playback timer and the real tempo-clock timer, their ticks reaching the main thread
// through Qt's event loop as in the program.
#include "ui/ErrorMessageBox.h"

#include "WidgetTestSupport.h"
#include "base/ErrorDisplay.h"
#include "base/HighTimer.h"
#include "music/KTTimer.h"

#include <QMessageBox>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

using namespace uitest;

namespace {

// Runs a job on the main thread later, as the window's poster does.
void PostToMain(std::function<void()> job) {
    QMetaObject::invokeMethod(qApp, std::move(job), Qt::QueuedConnection);
}

// The message boxes that open: each is read and closed from inside its own loop.
struct TBoxWatcher {
    struct TSeen {
        QString Caption, Text;
        QMessageBox::Icon Icon;
        QWidget* Parent;
        bool OnMainThread;
    };
    std::vector<TSeen> Seen;
    int MostOpenAtOnce = 0;
    QTimer Poll;

    TBoxWatcher() {
        Poll.setInterval(15);
        QObject::connect(&Poll, &QTimer::timeout, [this] {
            int open = 0;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<QMessageBox*>(w) && w->isVisible()) ++open;
            MostOpenAtOnce = std::max(MostOpenAtOnce, open);
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            if (Seen.empty()) SaveShot(box->grab().toImage(), "timer-error-box");
            Seen.push_back({box->windowTitle(), box->text(), box->icon(), box->parentWidget(),
                            box->thread() == qApp->thread()});
            box->accept();
        });
        Poll.start();
    }
};

template <typename TPred> bool RunUntil(TPred pred) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

TEST(ErrorMessageBox, ATimerHandlersExceptionIsShownAndTheTimerGoesOn) {
    auto window = MakeHost();
    Show(*window);
    const QString caption = QString::fromUtf8("Talvimorena模拟钢琴");
    InstallErrorMessageBox(window.get(), caption);

    struct TCase {
        const char* What;
        bool EveryTick; // the handler fails at every tick, not only at the first
        std::function<std::shared_ptr<void>(std::function<void()> onTick)> Start;
    };
    const TCase cases[] = {
        {"playback timer", false,
         [](std::function<void()> onTick) {
             auto t = std::make_shared<THighTimer>(PostToMain);
             t->SetTimerRes(1);
             t->SetInterval(10);
             t->SetOnTimer([onTick](THighTimer&) { onTick(); });
             t->SetEnabled(true);
             return std::shared_ptr<void>(t);
         }},
        {"tempo clock on its worker", false,
         [](std::function<void()> onTick) {
             auto t = std::make_shared<TKTHiTimer>(5);
             t->SetSynchronize(false);
             t->SetUseThread(true);
             t->SetOnTimer([onTick](TKTHiTimer&) { onTick(); });
             t->SetEnabled(true);
             return std::shared_ptr<void>(t);
         }},
        {"tempo clock through messages", false,
         [](std::function<void()> onTick) {
             auto t = std::make_shared<TKTHiTimer>(5);
             t->SetPostToMain(PostToMain);
             t->SetUseThread(false);
             t->SetOnTimer([onTick](TKTHiTimer&) { onTick(); });
             t->SetEnabled(true);
             return std::shared_ptr<void>(t);
         }},
        {"playback timer failing at every tick", true,
         [](std::function<void()> onTick) {
             auto t = std::make_shared<THighTimer>(PostToMain);
             t->SetInterval(2);
             t->SetOnTimer([onTick](THighTimer&) { onTick(); });
             t->SetEnabled(true);
             return std::shared_ptr<void>(t);
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TBoxWatcher boxes;
        std::atomic<int> ticks{0};
        const bool everyTick = c.EveryTick;
        std::shared_ptr<void> timer = c.Start([&ticks, everyTick] {
            if (++ticks == 1 || everyTick) throw std::runtime_error("第一拍出错");
        });
        const size_t wanted = everyTick ? 3 : 1;
        ASSERT_TRUE(RunUntil([&] { return boxes.Seen.size() >= wanted; }));
        const int atBox = ticks;
        ASSERT_TRUE(RunUntil([&] { return ticks >= atBox + 3; })) << "the timer went on";
        timer.reset();
        for (const auto& seen : boxes.Seen) {
            EXPECT_EQ(seen.Caption, caption);
            EXPECT_EQ(seen.Text, QString::fromUtf8("第一拍出错"));
            EXPECT_EQ(seen.Icon, QMessageBox::Critical);
            EXPECT_EQ(seen.Parent, window.get());
            EXPECT_TRUE(seen.OnMainThread);
        }
        if (!everyTick) {
            EXPECT_EQ(boxes.Seen.size(), 1u);
        }
        EXPECT_EQ(boxes.MostOpenAtOnce, 1) << "one box at a time";
    }

    // Once the window is gone, errors go to standard error again.
    window.reset();
    testing::internal::CaptureStderr();
    ShowUnhandledError(std::make_exception_ptr(std::runtime_error("没有窗口")));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "没有窗口\n");
}

} // namespace
