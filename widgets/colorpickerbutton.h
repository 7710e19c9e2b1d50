#ifndef COLORPICKERBUTTON_H
#define COLORPICKERBUTTON_H

#include <QFrame>

// The "more" cell of a ColorPickerPopup, drawn as three dots. A click, or Space, Return or Enter,
// emits clicked(); the arrow keys go on to the popup so that the grid navigation reaches past it.
class ColorPickerButton : public QFrame {
    Q_OBJECT

public:
    explicit ColorPickerButton(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

#endif // COLORPICKERBUTTON_H
