// The demonstration dialog: one TTweenery with its two stored pictures and
// the controls that choose the operation, the modifier, the interval, steps
// and delta, the fill colour or the channel order, the driver and the
// direction, and that play, stop, pause and resume the transition. With
// "Reverse on done" checked a completed transition waits a second and plays
// back, so the pictures go back and forth.
//
// Every control's objectName is its name in the dialog's description
// ("ActivateButton", "RadioGroup", "IntervalEdit", ...), and the handlers
// keep their names as slots, so tests and tools find them.
#pragma once

#include <QDialog>
#include <cstdint>

#include "tweenkit/Presets.h"
#include "tweenkit/Tweenery.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tweenery {

class TAboutForm;
class TWin95ColorButton;
class TweeneryWidget;

// The form description with the component's stored properties and pictures.
const char* const MainFormResource = ":/demo/MainUnit.form";

class TMainForm : public QDialog {
  Q_OBJECT
 public:
  explicit TMainForm(QWidget* Parent = nullptr);
  ~TMainForm() override;

  TTweenery* Tweenery() const;
  TweeneryWidget* TweeneryControl() const { return FTweenery; }
  // The about box the "About..." button shows; the form makes its own on
  // first use when none was given.
  void SetAboutForm(TAboutForm* Form) { FAboutForm = Form; }
  TAboutForm* AboutForm() const { return FAboutForm; }
  // The blocking pause before a "Reverse on done" replay (1000 ms).
  void SetReversePauseMs(std::uint32_t Value) { FReversePauseMs = Value; }

 public slots:
  void FormCreate();
  void RadioGroupClick();
  void RadioGroup1Click();
  void IntervalEditChange();
  void StepsEditChange();
  void DeltaEditChange();
  void UseThreadCheckBoxClick();
  void ReverseCheckBoxClick();
  void FadeColorButtonColorChange();
  void RGBComboBoxChange();
  void ActivateButtonClick();
  void PauseButtonClick();
  void TweeneryDone();
  void AboutButtonClick();
  void CloseButtonClick();

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void CreateControls();
  void CreateOperationGroup();
  void CreateModifierGroup();
  void CreateOptionsPanel();
  void CreateParameterGroup();
  void CreateButtons();
  void ConnectHandlers();
  void LoadStoredComponent();
  // The key filter shared by the three edits: true when the key is dropped.
  bool IntervalEditKeyPress(QKeyEvent* Key);
  void StartPlaying();
  void StopPlaying();
  void SetChoiceControlsEnabled(bool Value);

  QGroupBox* FGroupBox = nullptr;
  QFrame* FBevel1 = nullptr;
  QFrame* FBevel2 = nullptr;
  TweeneryWidget* FTweenery = nullptr;
  QGroupBox* FRadioGroup = nullptr;
  QButtonGroup* FOperationButtons = nullptr;
  QGroupBox* FRadioGroup1 = nullptr;
  QButtonGroup* FModifierButtons = nullptr;
  QFrame* FPanel1 = nullptr;
  QCheckBox* FReversibleCheckBox = nullptr;
  QCheckBox* FUseThreadCheckBox = nullptr;
  QCheckBox* FReverseCheckBox = nullptr;
  QGroupBox* FGroupBox1 = nullptr;
  QLabel* FLabel1 = nullptr;
  QLabel* FLabel2 = nullptr;
  QLabel* FLabel3 = nullptr;
  QLineEdit* FIntervalEdit = nullptr;
  QLineEdit* FStepsEdit = nullptr;
  QLineEdit* FDeltaEdit = nullptr;
  QPushButton* FActivateButton = nullptr;
  QPushButton* FAboutButton = nullptr;
  QPushButton* FPauseButton = nullptr;
  QPushButton* FCloseButton = nullptr;
  TWin95ColorButton* FFadeColorButton = nullptr;
  QComboBox* FRGBComboBox = nullptr;
  TAboutForm* FAboutForm = nullptr;
  std::uint32_t FReversePauseMs = 1000;
};

}  // namespace tweenery
