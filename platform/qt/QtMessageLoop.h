// TMessageLoop on the Qt event loop of the GUI thread: posted steps run
// through queued calls on the GUI thread, in posting order; timers are
// precise QTimers; Run and Terminate are the application's exec and quit.
#pragma once

#include <QObject>
#include <map>

#include "platform/Runtime.h"

class QTimer;

namespace tweenery {

class TQtMessageLoop : public QObject, public TMessageLoop {
  Q_OBJECT
 public:
  // Constructed on the GUI thread, after the QCoreApplication.
  TQtMessageLoop();
  ~TQtMessageLoop() override;

  void Post(TStep Step) override;
  int StartTimer(std::uint32_t IntervalMs, TStep OnTick) override;
  void StopTimer(int Id) override;
  void ProcessMessages() override;
  void Run() override;
  void Terminate() override;

 private:
  std::map<int, QTimer*> FTimers;
  int FNextTimer = 1;
};

}  // namespace tweenery
