#include "numpad.h"

#include <QCursor>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionFrame>

#include <cmath>

#include "myframe.h"

namespace {

bool hasSign(const QString& text)
{
    return text.startsWith(QLatin1Char('-'));
}

}  // namespace

Numpad::Numpad(const QString& title, QWidget* anchor, float value, bool noDecimal, bool noSign,
               bool password)
    : QDialog(anchor), m_noDecimal(noDecimal), m_noSign(noSign), m_password(password)
{
    ui.setupUi(this);
    ui.pbDecimal->setEnabled(!m_noDecimal);
    ui.pbSign->setEnabled(!m_noSign);

    m_displaySize = m_password ? 24 : 30;
    QFont font = ui.leLCD->font();
    font.setPointSize(m_displaySize);
    ui.leLCD->setFont(font);
    ui.leLCD->setEchoMode(m_password ? QLineEdit::Password : QLineEdit::Normal);
    ui.leLCD->setText(QString());
    connect(ui.leLCD, &QLineEdit::textChanged, this, &Numpad::fitDisplayText);

    const QPoint at = anchor ? anchor->mapToGlobal(QPoint(0, 0)) + QPoint(0, anchor->height())
                             : QCursor::pos();
    new MyFrame(title, at.x(), at.y(), 1, this, anchor, true, true);

    if (value > 0)
        ui.leLCD->setText(QString::number(double(value), 'g', 6));
}

Numpad::~Numpad() = default;

int Numpad::displayRoom() const
{
    // The width a line edit lays its text out in: the style's contents rectangle of its frame,
    // less the text margins and the 2 px it keeps free on either side.
    const QLineEdit* display = ui.leLCD;
    QStyleOptionFrame frame;
    frame.initFrom(display);
    frame.rect = display->rect();
    frame.lineWidth = display->hasFrame()
        ? display->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, display) : 0;
    frame.state |= QStyle::State_Sunken;
    const QRect contents = display->style()
        ->subElementRect(QStyle::SE_LineEditContents, &frame, display)
        .marginsRemoved(display->textMargins());
    return contents.width() - 2 * 2;
}

void Numpad::fitDisplayText()
{
    const QString shown = ui.leLCD->displayText();
    const int room = displayRoom();
    // The line edit scrolls once the text and the cursor's pixel outgrow the room.
    auto fits = [&shown, room](const QFont& candidate) {
        return std::ceil(QFontMetricsF(candidate).horizontalAdvance(shown)) + 1 <= room;
    };
    QFont font = ui.leLCD->font();
    int size = m_displaySize;
    font.setPointSize(size);
    while (size > 1 && !fits(font))
        font.setPointSize(--size);
    if (font != ui.leLCD->font())
        ui.leLCD->setFont(font);
}

QString Numpad::getValue() const
{
    return ui.leLCD->text();
}

void Numpad::setValue(const QString& text)
{
    ui.leLCD->setText(text);
}

void Numpad::numPressed(const QString& digit)
{
    QString text = ui.leLCD->text();
    int digits = text.size();
    if (hasSign(text))
        --digits;
    if (text.contains(QLatin1Char('.')))
        --digits;
    if (digits >= MaxDigits)
        return;
    if (text == QLatin1String("0"))
        text.clear();
    ui.leLCD->setText(text + digit);
}

void Numpad::on_pb0_clicked() { numPressed(QStringLiteral("0")); }
void Numpad::on_pb1_clicked() { numPressed(QStringLiteral("1")); }
void Numpad::on_pb2_clicked() { numPressed(QStringLiteral("2")); }
void Numpad::on_pb3_clicked() { numPressed(QStringLiteral("3")); }
void Numpad::on_pb4_clicked() { numPressed(QStringLiteral("4")); }
void Numpad::on_pb5_clicked() { numPressed(QStringLiteral("5")); }
void Numpad::on_pb6_clicked() { numPressed(QStringLiteral("6")); }
void Numpad::on_pb7_clicked() { numPressed(QStringLiteral("7")); }
void Numpad::on_pb8_clicked() { numPressed(QStringLiteral("8")); }
void Numpad::on_pb9_clicked() { numPressed(QStringLiteral("9")); }

void Numpad::on_pbSign_clicked()
{
    const QString text = ui.leLCD->text();
    if (hasSign(text))
        ui.leLCD->setText(text.mid(1));
    else if (text == QLatin1String("0"))
        ui.leLCD->setText(QStringLiteral("-"));
    else
        ui.leLCD->setText(QLatin1Char('-') + text);
}

void Numpad::on_pbDecimal_clicked()
{
    const QString text = ui.leLCD->text();
    const int length = text.size() - (hasSign(text) ? 1 : 0);
    if (!text.contains(QLatin1Char('.')) && length < MaxDigits)
        ui.leLCD->setText(text + QLatin1Char('.'));
}

void Numpad::on_pbDelete_clicked()
{
    QString text = ui.leLCD->text();
    text.chop(1);
    if (text.isEmpty() || text == QLatin1String("-"))
        text = QStringLiteral("0");
    ui.leLCD->setText(text);
}

void Numpad::on_pbClear_clicked()
{
    ui.leLCD->setText(QStringLiteral("0"));
}

void Numpad::on_pbEnter_clicked()
{
    // QString::toDouble reads the C locale; a text that is no number ("", "-", "-.") gives 0.
    m_value = ui.leLCD->text().toDouble(&m_hasNumber);
    accept();
}

void Numpad::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        numPressed(QString::number(key - Qt::Key_0));
        return;
    }
    switch (key) {
    case Qt::Key_Minus:
        if (!m_noSign)
            on_pbSign_clicked();
        return;
    case Qt::Key_Period:
    case Qt::Key_Comma:
        if (!m_noDecimal)
            on_pbDecimal_clicked();
        return;
    case Qt::Key_Backspace:
        on_pbDelete_clicked();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        on_pbEnter_clicked();
        return;
    case Qt::Key_Delete:
        on_pbClear_clicked();
        return;
    case Qt::Key_Escape:
        QDialog::keyPressEvent(event);
        return;
    default:
        event->ignore();
    }
}
