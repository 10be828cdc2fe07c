#include "X11Accessibility.h"

#include <QMessageBox>
#include <xcb/xtest.h>

namespace quillo {

X11Accessibility::X11Accessibility(std::optional<X11Connection> connection)
    : connection_(connection) {}

X11Accessibility::~X11Accessibility() {
    delete message_.data();
}

bool X11Accessibility::isTrusted(bool prompt) {
    // xcb asks the server once and remembers the answer.
    const xcb_query_extension_reply_t* xtest =
        connection_ ? xcb_get_extension_data(connection_->get(), &xcb_test_id) : nullptr;
    const bool trusted = xtest != nullptr && xtest->present != 0;
    if (!trusted && prompt)
        explain();
    return trusted;
}

void X11Accessibility::explain() {
    if (message_) {
        message_->raise();
        return;
    }
    message_ = new QMessageBox(QMessageBox::Information, QStringLiteral("Quillo"),
                               QStringLiteral("Quillo can't paste here."), QMessageBox::Ok);
    message_->setInformativeText(QStringLiteral(
        "Pasting into other programs needs an X11 session whose display server has the XTEST "
        "extension, and this session is not one. Until you use such a session, Quillo puts "
        "each snippet on the clipboard for you to paste with Ctrl+V."));
    message_->setAttribute(Qt::WA_DeleteOnClose);
    message_->open();
}

} // namespace quillo
