// Painting the colour static control: its background colour, then its text in the button text
// colour.
#include "common/qt/color_static.h"

#include <QApplication>
#include <QPainter>

namespace quorvel {

namespace {
QColor buttonFace() {
    return QApplication::palette().color(QPalette::Button);
}
QColor buttonText() {
    return QApplication::palette().color(QPalette::ButtonText);
}
}  // namespace

CColorStaticST::CColorStaticST(QWidget* parent)
    : QLabel(parent), background_(buttonFace()), text_(buttonText()) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, text_);
    setPalette(palette);
}

void CColorStaticST::SetBackgroundColor(const QColor& colour) {
    background_ = colour.isValid() ? colour : buttonFace();
    update();
}

void CColorStaticST::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.fillRect(rect(), background_);
    }
    QLabel::paintEvent(event);
}

}  // namespace quorvel
