// The desktop services on Qt: message box, file and colour dialogs, the
// shell and the clipboard.
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

#include "platform/Services.h"
#include "platform/qt/QtDrawing.h"
#include "platform/qt/QtPlatform.h"

namespace tweenery {

namespace {

constexpr int kCustomColorCount = 16;

QString NamePatterns(const QString& Patterns) {
  QStringList list;
  for (const QString& pattern : Patterns.split(u';', Qt::SkipEmptyParts)) {
    const QString p = pattern.trimmed();
    if (p.isEmpty()) continue;
    list << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
  }
  return list.isEmpty() ? QStringLiteral("*") : list.join(u' ');
}

QString NameFilter(QString Description, const QString& Patterns) {
  const QString names = NamePatterns(Patterns);
  // Qt reads the patterns from the last parenthesised group.
  static const QRegularExpression shownPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
  Description = Description.remove(shownPatterns).trimmed();
  if (Description.isEmpty()) Description = names;
  return Description + QStringLiteral(" (") + names + u')';
}

QWidget* DialogParent() { return QApplication::activeWindow(); }

// Restores the working directory when it leaves scope, if asked to.
class TWorkingDirKeeper {
 public:
  explicit TWorkingDirKeeper(bool Keep) : FKeep(Keep), FDir(QDir::currentPath()) {}
  ~TWorkingDirKeeper() {
    if (FKeep && QDir::currentPath() != FDir) QDir::setCurrent(FDir);
  }
  TWorkingDirKeeper(const TWorkingDirKeeper&) = delete;
  TWorkingDirKeeper& operator=(const TWorkingDirKeeper&) = delete;

 private:
  bool FKeep;
  QString FDir;
};

void QtShowMessage(const std::string& Text) {
  QMessageBox::information(DialogParent(), QGuiApplication::applicationDisplayName(),
                           QString::fromStdString(Text));
}

bool QtOpenDialog(TOpenDialogRequest& Request) {
  const TWorkingDirKeeper keeper((Request.Options & ofNoChangeDir) != 0);
  QFileDialog dialog(DialogParent(), QString::fromStdString(Request.Title),
                     QString::fromStdString(Request.InitialDir));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode((Request.Options & ofFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  // Qt's dialog has no "open read-only" box to hide, and read-only mode
  // would only forbid renaming and deleting in it: ofHideReadOnly shows
  // nothing here.
  dialog.setOption(QFileDialog::ReadOnly, false);
  const QStringList filters = QtNameFilters(Request.Filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = Request.FilterIndex >= 1 && Request.FilterIndex <= filters.size() ? Request.FilterIndex : 1;
    dialog.selectNameFilter(filters[index - 1]);
  }
  if (!Request.FileName.empty()) dialog.selectFile(QString::fromStdString(Request.FileName));
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return false;
  Request.FileName = QDir::toNativeSeparators(chosen.first()).toStdString();
  const qsizetype filter = filters.indexOf(dialog.selectedNameFilter());
  if (filter >= 0) Request.FilterIndex = static_cast<int>(filter) + 1;
  return true;
}

bool QtColorDialog(TColorDialogRequest& Request) {
  for (const std::string& entry : Request.CustomColors) {
    int index;
    TColor color;
    if (ParseCustomColor(entry, index, color)) QColorDialog::setCustomColor(index, ToQColor(color));
  }
  // Qt's dialog always shows its custom-colour part and offers any colour,
  // so cdFullOpen, cdPreventFullOpen, cdSolidColor and cdAnyColor change
  // nothing; a TColor has no alpha to offer.
  QColorDialog dialog(ToQColor(Request.Color), DialogParent());
  dialog.setOption(QColorDialog::ShowAlphaChannel, false);
  if (dialog.exec() != QDialog::Accepted) return false;
  Request.Color = FromQColor(dialog.selectedColor());
  Request.CustomColors.clear();
  for (int i = 0; i < kCustomColorCount; ++i)
    Request.CustomColors.push_back(CustomColorEntry(i, FromQColor(QColorDialog::customColor(i))));
  return true;
}

bool QtShellOpen(const std::string& Target) { return QDesktopServices::openUrl(ShellUrl(Target)); }

}  // namespace

QStringList QtNameFilters(const std::string& Filter) {
  QStringList filters;
  if (Filter.empty()) return filters;
  const QStringList parts = QString::fromStdString(Filter).split(u'|');
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString patterns = i + 1 < parts.size() ? parts[i + 1] : QString();
    if (parts[i].trimmed().isEmpty() && patterns.trimmed().isEmpty()) continue;
    filters << NameFilter(parts[i], patterns);
  }
  return filters;
}

bool ParseCustomColor(const std::string& Entry, int& Index, TColor& Color) {
  const QString text = QString::fromStdString(Entry).trimmed();
  // The key's case does not matter, as in the settings files it comes from.
  static const QRegularExpression form(QStringLiteral("^Color([A-P])=([0-9A-F]{1,6})$"),
                                       QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch match = form.match(text);
  if (!match.hasMatch()) return false;
  Index = match.captured(1).toUpper()[0].unicode() - u'A';
  Color = static_cast<TColor>(match.captured(2).toUInt(nullptr, 16));
  return true;
}

std::string CustomColorEntry(int Index, TColor Color) {
  const std::uint32_t rgb = static_cast<std::uint32_t>(ColorToRGB(Color)) & 0xFFFFFFu;
  const QString hex = QStringLiteral("%1").arg(rgb, 6, 16, QChar(u'0')).toUpper();
  return (QStringLiteral("Color") + QChar(u'A' + Index) + u'=' + hex).toStdString();
}

QUrl ShellUrl(const std::string& Target) {
  const QString target = QString::fromStdString(Target);
  if (QFileInfo::exists(target) || QDir::isAbsolutePath(target))
    return QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
  return QUrl::fromUserInput(target);
}

void InstallQtServiceHooks() {
  TServiceHooks& hooks = ServiceHooks();
  hooks.ShowMessage = QtShowMessage;
  hooks.OpenDialog = QtOpenDialog;
  hooks.ColorDialog = QtColorDialog;
  hooks.ShellOpen = QtShellOpen;
  hooks.SetClipboardText = [](const std::string& Text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(Text));
  };
  hooks.ClipboardText = [] { return QGuiApplication::clipboard()->text().toStdString(); };
}

}  // namespace tweenery
