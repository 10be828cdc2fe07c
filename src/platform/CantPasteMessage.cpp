#include "CantPasteMessage.h"

#include "QtTranslation.h"

#include <QMessageBox>

namespace quillo {

void showCantPasteMessage(QPointer<QMessageBox>& shown, const QString& why) {
    if (shown) {
        shown->raise();
        return;
    }
    shown = new QMessageBox(QMessageBox::Information, QStringLiteral("Quillo"),
                            qi18n("Quillo can't paste here."), QMessageBox::Ok);
    shown->setInformativeText(why);
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->open();
}

std::string copiesMeanwhile() {
    return i18n(
        "Until then, Quillo puts each snippet on the clipboard for you to paste with Ctrl+V.");
}

} // namespace quillo
