// A window for the end-to-end tests to paste into: a text box that has the focus, whose
// every change, key chord and paste lands in files the tests read. It stands in for the
// user's editor, or for a terminal when its app id (on X11, RESOURCE_NAME) names one.
#include <QApplication>
#include <QClipboard>
#include <QCommandLineParser>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <cstdio>
#include <functional>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

void appendLine(const QString& path, const QByteArray& line) {
    if (path.isEmpty())
        return;
    QFile file(path);
    if (file.open(QIODevice::Append))
        file.write(line + '\n');
}

// Written whole and renamed into place, so a reader never sees half a text.
void writeWhole(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
        file.commit();
    }
}

bool isModifierKey(int key) {
    return key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt ||
           key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_Super_L ||
           key == Qt::Key_Super_R;
}

/// The text box.
class TargetEdit : public QPlainTextEdit {
public:
    explicit TargetEdit(QString keyLog) : keyLog_(std::move(keyLog)) {}

    /// Called on every key press, before the key is handled.
    std::function<void()> onKeyPress;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (onKeyPress)
            onKeyPress();
        if (!isModifierKey(event->key())) {
            const QString chord =
                QKeySequence(event->keyCombination()).toString(QKeySequence::PortableText);
            appendLine(keyLog_, chord.toUtf8());
            // Terminals paste on Ctrl+Shift+V; so does this window.
            if (event->keyCombination() ==
                QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_V)) {
                paste();
                return;
            }
        }
        QPlainTextEdit::keyPressEvent(event);
    }

private:
    QString keyLog_;
};

/// Owns the clipboard with the given flavours ("text/html=/tmp/page.html"), as a user's
/// copy from a browser or an image viewer would.
bool ownClipboard(const QStringList& flavours) {
    auto data = std::make_unique<QMimeData>();
    for (const QString& flavour : flavours) {
        const qsizetype equals = flavour.indexOf('=');
        QFile file(flavour.mid(equals + 1));
        if (equals <= 0 || !file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "target: can't read clipboard flavour %s\n", qPrintable(flavour));
            return false;
        }
        data->setData(flavour.left(equals), file.readAll());
    }
    QGuiApplication::clipboard()->setMimeData(data.release(), QClipboard::Clipboard);
    return QGuiApplication::clipboard()->ownsClipboard();
}

/// Grabs Control+Alt+Space on the root window, as another program holding Quillo's default
/// shortcut would, with and without Caps Lock and Num Lock (Mod2 on Xvfb). Returns the X
/// error code, or 0 when every grab was granted.
int grabDefaultShortcut() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return -1;
    xcb_connection_t* connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
    const uint32_t spaceKeysym = 0x20;
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, spaceKeysym);
    xcb_key_symbols_free(symbols);
    if (!codes)
        return -1;
    const xcb_keycode_t space = codes[0];
    std::free(codes);
    const uint16_t chord = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
    const uint16_t lockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                     XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
    for (const uint16_t locks : lockVariants) {
        const xcb_void_cookie_t cookie =
            xcb_grab_key_checked(connection, 1, root, static_cast<uint16_t>(chord | locks), space,
                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            const int code = error->error_code;
            std::free(error);
            return code;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv); // takes Qt's own options, "-name" among them
    QCommandLineParser parser;
    parser.setApplicationDescription("A window for Quillo's end-to-end tests to paste into.");
    parser.addHelpOption();
    // Not "title": Qt takes "-title" for itself.
    const QCommandLineOption caption("caption", "Window title.", "text", "Quillo target");
    const QCommandLineOption textFile("text-file", "Gets the whole text on every change.", "path");
    const QCommandLineOption keyLog("key-log", "Gets a line per key chord pressed.", "path");
    const QCommandLineOption readyFile(
        "ready-file", "Gets the window id once the window is shown and set up.", "path");
    const QCommandLineOption clipboard(
        "clipboard", "Own the clipboard with this flavour (repeat for more).", "mime=path");
    const QCommandLineOption grabShortcut("grab-shortcut",
                                          "Hold Control+Alt+Space; exit 3 when refused.");
    const QCommandLineOption appId("app-id", "The Wayland app id to show.", "id");
    const QCommandLineOption focusLog(
        "focus-log", "Gets \"in\" or \"out\" as the window gains or loses the focus.", "path");
    parser.addOptions(
        {caption, textFile, keyLog, readyFile, clipboard, grabShortcut, appId, focusLog});
    parser.process(app);
    if (parser.isSet(appId))
        QGuiApplication::setDesktopFileName(parser.value(appId));

    if (parser.isSet(grabShortcut)) {
        if (const int error = grabDefaultShortcut(); error != 0) {
            std::fprintf(stderr, "target: couldn't grab Control+Alt+Space (%d)\n", error);
            return 3;
        }
    }
    // A Wayland compositor takes the clipboard only from a window that has had a key press:
    // the tests press Shift in it first.
    const bool wayland = QGuiApplication::platformName() == QStringLiteral("wayland");
    bool clipboardPending = parser.isSet(clipboard);
    if (clipboardPending && !wayland) {
        if (!ownClipboard(parser.values(clipboard))) {
            std::fprintf(stderr, "target: couldn't take the clipboard\n");
            return 4;
        }
        clipboardPending = false;
    }

    QWidget window;
    window.setWindowTitle(parser.value(caption));
    auto* layout = new QVBoxLayout(&window);
    auto* heading = new QLabel(parser.value(caption));
    heading->setStyleSheet("font-size: 18px; font-weight: bold;");
    layout->addWidget(heading);
    auto* edit = new TargetEdit(parser.value(keyLog));
    edit->setStyleSheet("font-size: 18px;");
    layout->addWidget(edit);
    window.resize(640, 360);

    const QString textPath = parser.value(textFile);
    writeWhole(textPath, {});
    QObject::connect(edit, &QPlainTextEdit::textChanged,
                     [&] { writeWhole(textPath, edit->toPlainText().toUtf8()); });

    window.show();
    edit->setFocus();
    // Tell the tests once the window is on screen; its id lets them activate it.
    edit->onKeyPress = [&] {
        if (clipboardPending)
            std::fputs(ownClipboard(parser.values(clipboard))
                           ? "target: took the clipboard\n"
                           : "target: couldn't take the clipboard\n",
                       stderr);
        clipboardPending = false;
    };
    // Where the compositor doesn't tell, the tests learn from here who has the focus.
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, [&](QWindow* focused) {
        appendLine(parser.value(focusLog), focused ? "in" : "out");
    });
    QTimer readyPoll;
    QObject::connect(&readyPoll, &QTimer::timeout, [&] {
        if (!window.windowHandle() || !window.windowHandle()->isExposed())
            return;
        readyPoll.stop();
        writeWhole(parser.value(readyFile), QByteArray::number(window.winId()));
    });
    readyPoll.start(20);
    return QApplication::exec();
}
