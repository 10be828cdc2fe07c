#pragma once

#include <QPointer>
#include <QString>
#include <string>

class QMessageBox;

namespace quillo {

/// Shows, without waiting for it, the message that says the program can't paste here and
/// why; raises the one already shown instead of showing a second.
void showCantPasteMessage(QPointer<QMessageBox>& shown, const QString& why);

/// What the program does meanwhile, the sentence said after each reason.
std::string copiesMeanwhile();

} // namespace quillo
