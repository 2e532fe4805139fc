#include "demo/MainUnit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <charconv>
#include <optional>
#include <limits>

#include "demo/AbtUnit.h"
#include "demo/W95Color.h"
#include "platform/Services.h"
#include "platform/qt/QtDrawing.h"
#include "widget/TweeneryWidget.h"

// Resources of a static library are registered by hand, outside any namespace.
static void InitDemoFormResources() { Q_INIT_RESOURCE(DemoForms); }

namespace tweenery {

namespace {

const char* const kModifierItems[] = {"Left", "Right", "Up", "Down"};
const char* const kRGBOrderItems[] = {"RGB", "RBG", "GRB", "GBR", "BRG", "BGR"};

constexpr int kOperationColumns = 3;
constexpr int kOperationRows = 10;

// A radio group lays its items out in columns of equal width below the
// caption, each item as high as the free height divided by the rows.
void ArrangeRadioItems(QGroupBox* Group, const QList<QAbstractButton*>& Items, int Columns) {
  const int rows = (static_cast<int>(Items.size()) + Columns - 1) / Columns;
  constexpr int top = 14, side = 8, bottomMargin = 4;
  const int itemHeight = (Group->height() - top - bottomMargin) / rows;
  const int columnWidth = (Group->width() - 2 * side + 6) / Columns;
  for (int i = 0; i < Items.size(); ++i) {
    const int column = i / rows, row = i % rows;
    Items[i]->setGeometry(side + column * columnWidth, top + row * itemHeight, columnWidth - 4, itemHeight);
  }
}

QGroupBox* NewGroupBox(QWidget* Parent, const char* Name, const char* Caption, QRect Geometry) {
  auto* box = new QGroupBox(QString::fromLatin1(Caption), Parent);
  box->setObjectName(QString::fromLatin1(Name));
  box->setGeometry(Geometry);
  return box;
}

// A bevel frame of the classic dialog: a raised or lowered 3D outline.
QFrame* NewBevel(QWidget* Parent, const char* Name, QRect Geometry, QFrame::Shadow Shadow) {
  auto* bevel = new QFrame(Parent);
  bevel->setObjectName(QString::fromLatin1(Name));
  bevel->setFrameStyle(QFrame::Panel | Shadow);
  bevel->setLineWidth(1);
  bevel->setGeometry(Geometry);
  return bevel;
}

QCheckBox* NewCheckBox(QWidget* Parent, const char* Name, const char* Caption, QPoint At, bool Checked) {
  auto* box = new QCheckBox(QString::fromLatin1(Caption), Parent);
  box->setObjectName(QString::fromLatin1(Name));
  box->move(At);
  box->adjustSize();
  box->setChecked(Checked);
  return box;
}

QLineEdit* NewEdit(QWidget* Parent, const char* Name, QPoint At, const char* Text) {
  auto* edit = new QLineEdit(QString::fromLatin1(Text), Parent);
  edit->setObjectName(QString::fromLatin1(Name));
  edit->setGeometry(At.x(), At.y(), 41, 21);
  return edit;
}

QLabel* NewLabel(QWidget* Parent, const char* Name, const char* Caption, QLineEdit* Buddy) {
  auto* label = new QLabel(QString::fromLatin1(Caption), Parent);
  label->setObjectName(QString::fromLatin1(Name));
  label->adjustSize();
  // Right-aligned against its edit, on the edit's text line.
  label->move(Buddy->x() - label->width() - 4, Buddy->y() + (Buddy->height() - label->height()) / 2);
  label->setBuddy(Buddy);
  return label;
}

QPushButton* NewButton(QWidget* Parent, const char* Name, const char* Caption, QRect Geometry) {
  auto* button = new QPushButton(QString::fromLatin1(Caption), Parent);
  button->setObjectName(QString::fromLatin1(Name));
  button->setGeometry(Geometry);
  button->setAutoDefault(false);
  return button;
}

// The edit's number when it holds one that fits T; an empty edit, or one
// whose number does not fit, leaves the component's value as it is.
template <typename T>
std::optional<T> EditNumber(const QLineEdit* Edit) {
  const std::string text = Edit->text().toStdString();
  if (text.empty()) return std::nullopt;
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

// ---------------------------------------------------------------- the form

TMainForm::TMainForm(QWidget* Parent) : QDialog(Parent) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("TTweenery 4.1 Component Demonstration"));
  setFont(DialogFont());
  setFixedSize(568, 440);
  CreateControls();
  LoadStoredComponent();
  ConnectHandlers();
  FormCreate();
}

TMainForm::~TMainForm() {
  // The component stops before the controls its OnDone handler reaches go.
  if (Tweenery()) Tweenery()->SetActive(false);
}

TTweenery* TMainForm::Tweenery() const { return FTweenery ? FTweenery->Tweenery() : nullptr; }

void TMainForm::CreateControls() {
  FGroupBox = NewGroupBox(this, "GroupBox", "TTweenery Component", QRect(8, 8, 553, 425));
  FBevel2 = NewBevel(FGroupBox, "Bevel2", QRect(6, 14, 426, 147), QFrame::Raised);
  FTweenery = new TweeneryWidget(FGroupBox);
  FTweenery->setObjectName(QStringLiteral("Tweenery"));
  FTweenery->setGeometry(8, 16, 422, 143);
  CreateOperationGroup();
  CreateModifierGroup();
  CreateOptionsPanel();
  CreateParameterGroup();
  CreateButtons();

  // Beside the "Fade" and "RGB" items, over the operation group.
  FFadeColorButton = new TWin95ColorButton(FGroupBox);
  FFadeColorButton->setObjectName(QStringLiteral("FadeColorButton"));
  FFadeColorButton->setGeometry(176, 228, 49, 25);
  FFadeColorButton->SetButtonCaption(QStringLiteral("&More..."));
  FFadeColorButton->SetColor(clWhite);
  FFadeColorButton->hide();
  FRGBComboBox = new QComboBox(FGroupBox);
  FRGBComboBox->setObjectName(QStringLiteral("RGBComboBox"));
  for (const char* order : kRGBOrderItems) FRGBComboBox->addItem(QString::fromLatin1(order));
  FRGBComboBox->setGeometry(176, 322, 49, 21);
  FRGBComboBox->hide();
}

void TMainForm::CreateOperationGroup() {
  FRadioGroup = NewGroupBox(FGroupBox, "RadioGroup", "Operation", QRect(8, 168, 337, 249));
  FOperationButtons = new QButtonGroup(this);
  for (int i = 0; i < OperationItemCount; ++i) {
    auto* item = new QRadioButton(QString::fromLatin1(OperationItemText(i)), FRadioGroup);
    item->setObjectName(QStringLiteral("RadioGroupItem%1").arg(i));
    FOperationButtons->addButton(item, i);
  }
  ArrangeRadioItems(FRadioGroup, FOperationButtons->buttons(), kOperationColumns);
  FOperationButtons->button(0)->setChecked(true);
  static_assert(kOperationColumns * kOperationRows >= OperationItemCount);
}

void TMainForm::CreateModifierGroup() {
  FRadioGroup1 = NewGroupBox(FGroupBox, "RadioGroup1", "Modifier", QRect(440, 16, 105, 137));
  FModifierButtons = new QButtonGroup(this);
  for (int i = 0; i < 4; ++i) {
    auto* item = new QRadioButton(QString::fromLatin1(kModifierItems[i]), FRadioGroup1);
    item->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
    FModifierButtons->addButton(item, i);
  }
  ArrangeRadioItems(FRadioGroup1, FModifierButtons->buttons(), 1);
  FModifierButtons->button(0)->setChecked(true);
}

void TMainForm::CreateOptionsPanel() {
  // Raised inner and lowered outer bevel: a sunken box around a raised one.
  FPanel1 = new QFrame(FGroupBox);
  FPanel1->setObjectName(QStringLiteral("Panel1"));
  FPanel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  FPanel1->setGeometry(352, 168, 193, 65);
  auto* inner = NewBevel(FPanel1, "Panel1Inner", QRect(1, 1, 191, 63), QFrame::Raised);
  inner->setAttribute(Qt::WA_TransparentForMouseEvents);
  FReversibleCheckBox = NewCheckBox(FPanel1, "ReversibleCheckBox", "Reverse on done", QPoint(8, 8), true);
  FUseThreadCheckBox = NewCheckBox(FPanel1, "UseThreadCheckBox", "UseThreads", QPoint(8, 40), true);
  FReverseCheckBox = NewCheckBox(FPanel1, "ReverseCheckBox", "Reverse", QPoint(112, 40), false);
}

void TMainForm::CreateParameterGroup() {
  FGroupBox1 = NewGroupBox(FGroupBox, "GroupBox1", "Other Parameters", QRect(352, 240, 193, 97));
  FIntervalEdit = NewEdit(FGroupBox1, "IntervalEdit", QPoint(56, 24), "10");
  FStepsEdit = NewEdit(FGroupBox1, "StepsEdit", QPoint(144, 24), "5");
  FDeltaEdit = NewEdit(FGroupBox1, "DeltaEdit", QPoint(56, 64), "1");
  FLabel2 = NewLabel(FGroupBox1, "Label2", "Interval:", FIntervalEdit);
  FLabel1 = NewLabel(FGroupBox1, "Label1", "Steps:", FStepsEdit);
  FLabel3 = NewLabel(FGroupBox1, "Label3", "Delta:", FDeltaEdit);
  for (QLineEdit* edit : {FIntervalEdit, FStepsEdit, FDeltaEdit}) edit->installEventFilter(this);
}

void TMainForm::CreateButtons() {
  FBevel1 = NewBevel(FGroupBox, "Bevel1", QRect(352, 344, 193, 73), QFrame::Raised);
  FActivateButton = NewButton(FGroupBox, "ActivateButton", "Play", QRect(360, 352, 81, 25));
  FAboutButton = NewButton(FGroupBox, "AboutButton", "About...", QRect(456, 352, 81, 25));
  FPauseButton = NewButton(FGroupBox, "PauseButton", "Pause", QRect(360, 384, 81, 25));
  FCloseButton = NewButton(FGroupBox, "CloseButton", "Close", QRect(456, 384, 81, 25));
  FPauseButton->setEnabled(false);
}

void TMainForm::LoadStoredComponent() {
  InitDemoFormResources();
  QFile form(QString::fromLatin1(MainFormResource));
  if (!form.open(QIODevice::ReadOnly)) throw Exception("The stored form description is missing.");
  FTweenery->PublishHandler("TweeneryDone", [this](TObject*) { TweeneryDone(); });
  FTweenery->LoadFormText(form.readAll().toStdString());
  // The form places the component; its stored bounds are the same.
  FTweenery->setGeometry(8, 16, 422, 143);
}

void TMainForm::ConnectHandlers() {
  connect(FOperationButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) RadioGroupClick();
  });
  connect(FModifierButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) RadioGroup1Click();
  });
  connect(FIntervalEdit, &QLineEdit::textChanged, this, &TMainForm::IntervalEditChange);
  connect(FStepsEdit, &QLineEdit::textChanged, this, &TMainForm::StepsEditChange);
  connect(FDeltaEdit, &QLineEdit::textChanged, this, &TMainForm::DeltaEditChange);
  connect(FUseThreadCheckBox, &QCheckBox::toggled, this, &TMainForm::UseThreadCheckBoxClick);
  connect(FReverseCheckBox, &QCheckBox::toggled, this, &TMainForm::ReverseCheckBoxClick);
  connect(FFadeColorButton, &TWin95ColorButton::colorChange, this, &TMainForm::FadeColorButtonColorChange);
  connect(FRGBComboBox, &QComboBox::activated, this, &TMainForm::RGBComboBoxChange);
  connect(FActivateButton, &QPushButton::clicked, this, &TMainForm::ActivateButtonClick);
  connect(FPauseButton, &QPushButton::clicked, this, &TMainForm::PauseButtonClick);
  connect(FAboutButton, &QPushButton::clicked, this, &TMainForm::AboutButtonClick);
  connect(FCloseButton, &QPushButton::clicked, this, &TMainForm::CloseButtonClick);
  // The widget reports what it cannot do (a picture file it cannot read)
  // instead of opening a box itself; the dialog shows it in one, as it
  // always has.
  connect(FTweenery, &TweeneryWidget::errorOccurred, this,
          [](const QString& Message) { ShowMessage(Message.toStdString()); });
}

// ---------------------------------------------------------------- handlers

void TMainForm::FormCreate() { FRGBComboBox->setCurrentIndex(0); }

void TMainForm::RadioGroupClick() {
  const int item = FOperationButtons->checkedId();
  if (item < 0) return;
  const TTransitionOperation operation = OperationOfItem(item);
  const bool usesDelta = OperationUsesDelta(operation);
  FLabel3->setEnabled(usesDelta);
  FDeltaEdit->setEnabled(usesDelta);
  FFadeColorButton->setVisible(operation == toFade);
  FRGBComboBox->setVisible(operation == toRGB || operation == toRGBBlend);
  Tweenery()->SetOperation(operation);

  const TOperationPreset& preset = OperationPreset(operation);
  Tweenery()->SetInterval(preset.Interval);
  Tweenery()->SetSteps(preset.Steps);
  if (preset.Delta) Tweenery()->SetDelta(*preset.Delta);
  FReversibleCheckBox->setChecked(preset.ReverseOnDone);
  FReverseCheckBox->setChecked(false);
  FIntervalEdit->setText(QString::number(preset.Interval));
  FStepsEdit->setText(QString::number(preset.Steps));
  if (preset.Delta) FDeltaEdit->setText(QString::number(*preset.Delta));
}

void TMainForm::RadioGroup1Click() {
  const int item = FModifierButtons->checkedId();
  if (item >= 0) Tweenery()->SetModifier(static_cast<TTransitionModifier>(item));
}

bool TMainForm::IntervalEditKeyPress(QKeyEvent* Key) {
  // Only typed characters are filtered; editing keys and shortcuts pass.
  if (Key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
  const QString text = Key->text();
  if (text.isEmpty() || !text.at(0).isPrint()) return false;
  return !(text.size() == 1 && text.at(0) >= u'0' && text.at(0) <= u'9');
}

bool TMainForm::eventFilter(QObject* Watched, QEvent* Event) {
  const bool edit = Watched == FIntervalEdit || Watched == FStepsEdit || Watched == FDeltaEdit;
  if (edit && Event->type() == QEvent::KeyPress) return IntervalEditKeyPress(static_cast<QKeyEvent*>(Event));
  return QDialog::eventFilter(Watched, Event);
}

void TMainForm::IntervalEditChange() {
  if (auto value = EditNumber<std::uint32_t>(FIntervalEdit)) Tweenery()->SetInterval(*value);
}

void TMainForm::StepsEditChange() {
  if (auto value = EditNumber<TPositiveInteger>(FStepsEdit)) Tweenery()->SetSteps(*value);
}

void TMainForm::DeltaEditChange() {
  if (auto value = EditNumber<TPositiveInteger>(FDeltaEdit)) Tweenery()->SetDelta(*value);
}

void TMainForm::UseThreadCheckBoxClick() { Tweenery()->SetUseThread(FUseThreadCheckBox->isChecked()); }

void TMainForm::ReverseCheckBoxClick() { Tweenery()->SetReverse(FReverseCheckBox->isChecked()); }

void TMainForm::FadeColorButtonColorChange() { Tweenery()->SetColor(FFadeColorButton->Color()); }

void TMainForm::RGBComboBoxChange() {
  const int index = FRGBComboBox->currentIndex();
  if (index >= 0) Tweenery()->SetRGBOrder(static_cast<TRGBOrder>(index));
}

void TMainForm::ActivateButtonClick() {
  if (FActivateButton->text() == QLatin1String("Play")) StartPlaying(); else StopPlaying();
}

void TMainForm::PauseButtonClick() {
  if (FPauseButton->text() == QLatin1String("Pause")) {
    Tweenery()->Pause();
    FPauseButton->setText(QStringLiteral("Resume"));
  } else {
    Tweenery()->Resume();
    FPauseButton->setText(QStringLiteral("Pause"));
  }
}

void TMainForm::TweeneryDone() {
  if (!FReversibleCheckBox->isChecked()) {
    StopPlaying();
    return;
  }
  // The finished transition stays on screen for a moment, then plays back.
  tweenery::Sleep(FReversePauseMs);
  FReverseCheckBox->setChecked(!FReverseCheckBox->isChecked());
  Tweenery()->SetReverse(FReverseCheckBox->isChecked());
  Tweenery()->SetActive(true);
}

void TMainForm::AboutButtonClick() {
  if (!FAboutForm) FAboutForm = new TAboutForm(this);
  FAboutForm->exec();
}

void TMainForm::CloseButtonClick() { close(); }

void TMainForm::StartPlaying() {
  FActivateButton->setText(QStringLiteral("Stop"));
  Tweenery()->SetActive(true);
  SetChoiceControlsEnabled(false);
  FPauseButton->setText(QStringLiteral("Pause"));
  FPauseButton->setEnabled(true);
}

void TMainForm::StopPlaying() {
  FActivateButton->setText(QStringLiteral("Play"));
  Tweenery()->SetActive(false);
  SetChoiceControlsEnabled(true);
  FPauseButton->setText(QStringLiteral("Pause"));
  FPauseButton->setEnabled(false);
}

void TMainForm::SetChoiceControlsEnabled(bool Value) {
  for (QWidget* control : std::initializer_list<QWidget*>{FRadioGroup, FRadioGroup1, FGroupBox1, FPanel1})
    control->setEnabled(Value);
}

}  // namespace tweenery
