#include "QtSound.h"

#include <QApplication>

namespace quillo {

void QtSound::beep() {
    QApplication::beep();
}

} // namespace quillo
