/// @file
/// TMessageLoop on the Qt event loop of the GUI thread: posted steps run
/// through queued calls on the GUI thread, in posting order; timers are
/// precise QTimers; Run and Terminate are the application's exec and quit.
#pragma once

#include <QObject>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>

#include "platform/Runtime.h"

class QTimer;

namespace tweenery {

/// The message loop a Qt program installs (TQtPlatform does).
class TQtMessageLoop : public QObject, public TMessageLoop {
  Q_OBJECT
 public:
  /// Constructed on the GUI thread, after the QCoreApplication.
  TQtMessageLoop();
  ~TQtMessageLoop() override;

  void Post(TStep Step) override;
  /// A timer at interval 0 never fires, as on the headless loop (a QTimer at
  /// 0 would spin on every pass of the event loop).
  int StartTimer(std::uint32_t IntervalMs, TStep OnTick) override;
  void StopTimer(int Id) override;
  void ProcessMessages() override;
  void Run() override;
  void Terminate() override;

 private:
  /// GUI thread: runs the steps posted so far, in order. Invoked by name, so
  /// the queued call carries nothing our code wrote on the posting thread.
  Q_INVOKABLE void RunPosted();
  void RunGuarded(const TStep& Step);
  void QuitOrRemember();

  /// Posted steps wait here rather than inside Qt's event queue, so the
  /// hand-over between threads is ordered by a lock the thread sanitizer
  /// sees; one queued call drains the queue.
  std::mutex FLock;
  std::deque<TStep> FPosted;
  bool FDrainPosted = false;

  std::map<int, QTimer*> FTimers;
  int FTickDepth = 0;  ///< ticks running, nested through ProcessMessages
  int FNextTimer = 1;
  int FRunDepth = 0;
  bool FTerminatePending = false;  ///< Terminate came while Run was not running
};

}  // namespace tweenery
