#include "qt/simulation_runner.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>
#include <thread>

namespace velmora::qt {

namespace {

// The window the driver sees on the worker thread: its message boxes are shown by the
// real window on the window's thread while the worker waits for the answer.
class WorkerWindow final : public Window {
 public:
  WorkerWindow(Window& target, QObject* guiContext) : target_(target), context_(guiContext) {}

  int messageBox(const std::string& text, const char* caption, unsigned flags) override {
    const bool hasCaption = caption != nullptr;
    const std::string captionText = hasCaption ? caption : "";
    int answer = kIdOk;
    auto show = [&] {
      answer = target_.messageBox(text, hasCaption ? captionText.c_str() : nullptr, flags);
    };
    if (QThread::currentThread() == context_->thread())
      show();
    else
      QMetaObject::invokeMethod(context_, show, Qt::BlockingQueuedConnection);
    return answer;
  }
  void setEditText(const std::string&) override {}
  std::string editText() const override { return {}; }

 private:
  Window& target_;
  QObject* context_;
};

QString clockText(qint64 ms) {
  const qint64 s = ms / 1000;
  return QStringLiteral("%1:%2:%3")
      .arg(s / 3600)
      .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

ProgressDialog::ProgressDialog(QWidget* parent, SimulationRunner& runner, const AppState& state)
    : QDialog(parent), runner_(runner), state_(state) {
  setObjectName(QStringLiteral("simulationProgress"));
  setWindowTitle(QStringLiteral("Statistical Simulation"));
  // Not modal: a modal window would keep the main window from being closed, and closing
  // it is how a user stops the run and quits. The main window takes no input meanwhile.
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  point_ = new QLabel(this);
  position_ = new QLabel(this);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 1000);
  bar_->setFormat(QStringLiteral("%p %"));
  time_ = new QLabel(this);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("cancel"));
  layout->addWidget(point_);
  layout->addWidget(position_);
  layout->addWidget(bar_);
  layout->addWidget(time_);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(cancel_);
  layout->addLayout(row);
  connect(cancel_, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, &ProgressDialog::refresh);
  timer_->start(100);
  clock_.start();
  setMinimumWidth(420);
  refresh();
}

void ProgressDialog::refresh() {
  const SimulationRunner::Position at = runner_.position();
  const SimulationProgress& p = at.progress;
  const RestErrorHeader* errors = state_.records.lpRestErrorHeader;
  if (at.done == 0 || !errors) {
    point_->setText(QStringLiteral("Starting…"));
  } else {
    // The grid's axes are fixed before the run starts; only the tables change meanwhile.
    const int pulses = p.pulseIndex < errors->wVariousPulses ? errors->wPulseValues[p.pulseIndex] : 0;
    const int noise = p.levelIndex < errors->wNoiseLevels ? errors->lpNoiseLevels[p.levelIndex] : 0;
    point_->setText(QStringLiteral("Grid point: %1 pulses, noise level %2").arg(pulses).arg(noise));
    position_->setText(QStringLiteral("pulse count %1 of %2, noise level %3 of %4, repeat %5 of %6")
                           .arg(p.pulseIndex + 1)
                           .arg(p.pulseCounts)
                           .arg(p.levelIndex + 1)
                           .arg(p.noiseLevels)
                           .arg(p.repeat + 1)
                           .arg(p.repeats));
  }
  const qint64 elapsed = clock_.elapsed();
  if (at.total > 0) bar_->setValue(static_cast<int>(at.done * 1000 / at.total));
  QString times = QStringLiteral("Elapsed %1").arg(clockText(elapsed));
  if (at.done > 0 && at.total > 0)
    times += QStringLiteral(", remaining about %1")
                 .arg(clockText(static_cast<qint64>(static_cast<double>(elapsed) *
                                                    static_cast<double>(at.total - at.done) /
                                                    static_cast<double>(at.done))));
  time_->setText(times);
  if (runner_.cancelRequested() && !finished_) {
    cancel_->setEnabled(false);
    point_->setText(QStringLiteral("Stopping after the repeat in hand…"));
  }
}

void ProgressDialog::finish() {
  finished_ = true;
  timer_->stop();
  refresh();
  QDialog::done(QDialog::Accepted);
}

void ProgressDialog::done(int result) {
  if (finished_) {
    QDialog::done(result);
    return;
  }
  runner_.cancel();
  refresh();
}

void SimulationRunner::run(Window& window, const std::function<void(Window&)>& run) {
  cancel_ = false;
  reported_ = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    position_ = Position{};
  }
  running_ = true;
  WorkerWindow workerWindow(window, parent_);
  ProgressDialog dialog(parent_, *this, state_);
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      run(workerWindow);
    } catch (...) {
      failure = std::current_exception();
    }
    QMetaObject::invokeMethod(&dialog, [&dialog] { dialog.finish(); }, Qt::QueuedConnection);
  });
  QEventLoop loop;
  QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
  dialog.show();
  loop.exec(QEventLoop::DialogExec);
  worker.join();
  running_ = false;
  if (failure) std::rethrow_exception(failure);
}

SimulationRunner::Position SimulationRunner::position() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return position_;
}

bool SimulationRunner::repeatDone(const SimulationProgress& progress) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    position_.progress = progress;
    position_.progress.series = nullptr;
    position_.progress.chains = nullptr;
    const int64_t point = int64_t{progress.pulseIndex} * progress.noiseLevels + progress.levelIndex;
    position_.done = point * progress.repeats + progress.repeat + 1;
    position_.total = int64_t{progress.pulseCounts} * progress.noiseLevels * progress.repeats;
  }
  ++reported_;
  return !cancel_;
}

}  // namespace velmora::qt
