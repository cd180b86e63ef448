// CColorStaticST: a static text whose background colour the program sets at run time; the main
// window's link indicator and the state dialog's activity light are made of it.
#pragma once

#include <QColor>
#include <QLabel>

namespace quorvel {

class CColorStaticST : public QLabel {
  public:
    explicit CColorStaticST(QWidget* parent = nullptr);

    // An invalid colour (QColor()) stands for the system's button face colour. Every call
    // repaints the control, also when the colour does not change.
    void SetBackgroundColor(const QColor& colour);
    QColor backgroundColor() const { return background_; }
    QColor textColor() const { return text_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor background_;
    QColor text_;
};

}  // namespace quorvel
