#ifndef QTCOLORPICKER_H
#define QTCOLORPICKER_H

#include <QColor>
#include <QPushButton>

class ColorPickerPopup;

// A push button showing the current colour as a small square icon beside its name. Pressing it
// opens a ColorPickerPopup under it, from which the user picks a colour; the button is checked
// while the popup is open.
class QtColorPicker : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(bool colorDialog READ colorDialogEnabled WRITE setColorDialogEnabled)

public:
    // columns -1 chooses the popup's columns from the number of colours; colorDialog adds the
    // popup's "more" cell, which opens the system colour dialog.
    explicit QtColorPicker(QWidget* parent = nullptr, int columns = -1, bool colorDialog = true);
    ~QtColorPicker() override;

    // Adds a colour to the popup (index -1: at the end). The first colour ever inserted becomes
    // the current one, without a signal.
    void insertColor(const QColor& color, const QString& text = QString(), int index = -1);
    QColor currentColor() const { return m_current; }
    // The colour of the popup's cell at index, invalid outside the list.
    QColor color(int index) const;
    // Inserts the 17 standard colours, from "Black" to "Light gray".
    void addStandardColors();

    // The popup opens with a colour dialog only as it was built; changing this later changes
    // only the stored flag.
    bool colorDialogEnabled() const { return m_dialogEnabled; }
    void setColorDialogEnabled(bool enabled) { m_dialogEnabled = enabled; }

    // Shows a popup of the standard colours at point and waits for the user's choice: the colour
    // chosen, or an invalid colour when the popup closed without one.
    static QColor getColor(const QPoint& point, bool allowCustomColors = true);

signals:
    void colorChanged(const QColor& color);

public slots:
    void setCurrentColor(const QColor& col);

protected slots:
    void buttonPressed(bool toggled);
    void popupClosed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorPickerPopup* m_popup = nullptr;
    QColor m_current;
    bool m_dialogEnabled;
    bool m_iconDirty = true; // the icon must be redrawn at the next paint
    bool m_anyInserted = false;
};

#endif // QTCOLORPICKER_H
