// Shows Main.qml: two pictures, a transition between them driven by a
// slider, and a button that plays it.
//
//   quick-transition [--operation NAME] [--grab FILE --at PROGRESS]
//
// --grab writes the window at a progress to FILE and quits, for pictures of
// the program without anybody at the screen.
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QTimer>

int main(int argc, char* argv[]) {
  QGuiApplication application(argc, argv);
  QCommandLineParser options;
  options.addHelpOption();
  const QCommandLineOption operation("operation", "The transition to start with.", "name", "Roll");
  const QCommandLineOption grab("grab", "Write the window to a PNG file and quit.", "file");
  const QCommandLineOption at("at", "The progress of --grab, 0 to 1.", "progress", "0.5");
  options.addOptions({operation, grab, at});
  options.process(application);

  QQmlApplicationEngine engine;
#ifdef TWEENERY_QML_IMPORT_DIR
  engine.addImportPath(QStringLiteral(TWEENERY_QML_IMPORT_DIR));
#endif
  engine.setInitialProperties({{"operation", options.value(operation)}});
  engine.load(QUrl(QStringLiteral("qrc:/Main.qml")));
  if (engine.rootObjects().isEmpty()) return 1;
  auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().first());
  if (!window) return 1;

  if (options.isSet(grab)) {
    window->setProperty("progress", options.value(at).toDouble());
    // After the first frames are on the screen.
    QTimer::singleShot(300, window, [&] {
      const bool written = window->grabWindow().save(options.value(grab));
      application.exit(written ? 0 : 1);
    });
  }
  return application.exec();
}
