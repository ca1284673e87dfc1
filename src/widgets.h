#pragma once

#include <QColor>
#include <QLabel>
#include <QListView>
#include <QMap>
#include <QPixmap>

class Element;
class QMouseEvent;

// The pale pink behind a reading that is not valid or not known.
inline QColor invalidBackground()
{
    return QColor(255, 192, 192);
}

// The console's look of a reading that is not valid: black text on pale pink. With valid set,
// the given colours are put back instead. Window and window-text brushes for all colour groups.
void showValidity(QWidget* widget, bool valid, const QColor& validText, const QColor& validBackground);

// Number display: shows a raw value scaled by a coefficient with a fixed number of decimals
// (exponent form for more than two decimals). A press anywhere emits clicked().
class PoLabel : public QLabel
{
    Q_OBJECT

public:
    explicit PoLabel(QWidget* parent = nullptr);

    // Stores the value and shows it with the given decimals (used for this rendering only).
    void setValue(float value, int decimals);
    // Stores the decimals for changedValue() and setCoeff(); the text is not touched.
    void setDepth(int decimals);
    // Stores the display factor and shows the stored value again with the stored decimals.
    void setCoeff(float coeff);

    float value() const { return m_value; }
    float coeff() const { return m_coeff; }
    int depth() const { return m_decimals; }

    // Binds the label to a value cell of the generic link: takes the cell's decimals and follows
    // its number and, unless the cell is a variable, its validity.
    void setElement(Element* element);

    // The text shown for value × coeff with the given decimals.
    static QString formatValue(float value, float coeff, int decimals);

signals:
    void clicked();

public slots:
    void changedValid(bool valid);
    void changedValue(float value);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void refresh(int decimals);

    bool m_paletteSaved = false;
    int m_decimals = 0;
    float m_coeff = 1.0f;
    float m_value = 0.0f;
    QColor m_savedText;
    QColor m_savedBackground;
};

// Image display: shows the picture registered for an integer state. A press emits clicked().
class PoSprite : public QLabel
{
    Q_OBJECT

public:
    explicit PoSprite(QWidget* parent = nullptr);

    // Loads the image file and registers it for the state (replacing an earlier one); what is
    // shown does not change. A file that cannot be loaded registers an empty picture.
    void addPixmap(int state, const QString& fileName);
    // Shows the picture of the state; a state without a picture keeps the current one.
    void setSprite(int state);

    bool hasState(int state) const { return m_mapPixmaps.contains(state); }

signals:
    void clicked();

public slots:
    void changedState(int state);
    void changedState(float state);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QMap<int, QPixmap> m_mapPixmaps;
};

// Label that emits clicked() on a left press; as a button it looks pressed in while held.
class MyLabel : public QLabel
{
    Q_OBJECT

public:
    explicit MyLabel(QWidget* parent = nullptr);

    void setButton(bool button) { m_button = button; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_button = false;
};

// List view that reports the row of its current index (−1 when there is none).
class MyListView : public QListView
{
    Q_OBJECT

public:
    explicit MyListView(QWidget* parent = nullptr);

signals:
    void signal_currentChanged(int row);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
};
