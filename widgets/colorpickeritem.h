#ifndef COLORPICKERITEM_H
#define COLORPICKERITEM_H

#include <QColor>
#include <QFrame>
#include <QString>

// One colour cell of a ColorPickerPopup: a 24 x 21 swatch named by its tool tip. A mouse release
// marks it and emits selected().
class ColorPickerItem : public QFrame {
    Q_OBJECT

public:
    explicit ColorPickerItem(const QColor& color = Qt::white, const QString& text = QString(),
                             QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    QString text() const { return m_text; }
    bool isSelected() const { return m_marked; }
    void setSelected(bool selected);

signals:
    void clicked();
    void selected();

public slots:
    void setColor(const QColor& color, const QString& text);
    void setColor(const QColor& color);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    QString m_text;
    bool m_marked = false; // shows the selection frame
};

#endif // COLORPICKERITEM_H
