#include "axisinfo.h"

#include "accesscodes.h"
#include "confirm.h"
#include "drivecomm.h"
#include "drivecommand.h"
#include "drivediag.h"
#include "myframe.h"
#include "numpad.h"

namespace {

constexpr int kParked = 0xC1600;
constexpr int kPositionEncoder1 = 0xA0102;
constexpr int kPositionEncoder2 = 0xA0103;

// The bottom-left corner of a widget on the screen; the origin without one.
QPoint below(const QWidget* widget)
{
    if (!widget)
        return QPoint(0, 0);
    return widget->mapToGlobal(QPoint(0, 0)) + QPoint(0, widget->height());
}

}  // namespace

AxisInfo::AxisInfo(const QString& name, DriveTCPthread* drive, QWidget* parent)
    : QDialog(parent), m_name(name), m_drive(drive)
{
    setupUi(this);
    const QPoint at = below(parent);
    new MyFrame(QStringLiteral("Ось ") + m_name, at.x(), at.y(), 1, this, parent, true, true);

    for (PoSprite* sprite : {indEPmin, indEPmax}) {
        sprite->addPixmap(0, QStringLiteral(":/images/indicator_gray.png"));
        sprite->addPixmap(1, QStringLiteral(":/images/indicator_red.png"));
        sprite->addPixmap(UnknownLook::kUnknownSprite, QStringLiteral(":/images/indicator_unknown.png"));
        m_look.addSprite(sprite);
    }

    sbPark->init(QStringLiteral("Ось ") + m_name, false, QStringLiteral("[запаркована]"),
                 QStringLiteral("[распаркована]"), QString(), QString(), QStringLiteral("[ошибка]"),
                 true);
    m_look.addButton(sbPark);
    for (QLabel* label : {lblState, lblStateDesc, lblCoord, static_cast<QLabel*>(lblSEPmax),
                          static_cast<QLabel*>(lblSEPmin)})
        m_look.addLabel(label);
    if (m_drive)
        m_look.follow(m_drive);

    const bool pair = m_name == QLatin1String("LX") || m_name == QLatin1String("U1");
    pbSecondAxis->setVisible(pair);
    const bool second = m_name == QLatin1String("LX2") || m_name == QLatin1String("U2");
    frmPark->setVisible(!second);
    frmReference->setVisible(!second);
}

AxisInfo::~AxisInfo()
{
    emit message(QStringLiteral("[I]Закрыто окно дополнительных параметров оси %1").arg(m_name),
                 false);
}

void AxisInfo::onDrivesOn(bool state)
{
    // Parking is allowed only with the drives unpowered.
    sbPark->setLocked(state);
}

void AxisInfo::onStateChanged(int state)
{
    lblState->setText(QString::number(state, 16));
    lblStateDesc->setText(stateDesc(state));
    pbReference->setEnabled(state != kPositionEncoder1 && state != kPositionEncoder2);
    pbClearError->setEnabled(state != kParked);
    // Fresh status after a loss brings the state again, but no parking edge.
    if (m_look.known())
        sbPark->setState(state == kParked);
}

void AxisInfo::onVirtualStateChanged(uint state)
{
    lblState->setText(QString::number(state));
    lblStateDesc->setText(virtualStateDesc(int(state)));
}

void AxisInfo::onCoordChanged(float coord)
{
    lblCoord->setText(QString::number(double(coord), 'f', 4));
}

void AxisInfo::onSpeedChanged(int speed)
{
    lblSpeed->setText(QString::number(speed));
}

void AxisInfo::onMaxLimChanged(float value)
{
    lblSEPmax->setValue(value, 1);
}

void AxisInfo::onMinLimChanged(float value)
{
    lblSEPmin->setValue(value, 1);
}

// The switches and the park button keep their unknown look against values the opener hands in
// while the status is not known; fresh status sends them again.
void AxisInfo::onEpPlusChanged(bool ep)
{
    if (m_look.known())
        indEPmax->setSprite(ep ? 1 : 0);
}

void AxisInfo::onEpMinusChanged(bool ep)
{
    if (m_look.known())
        indEPmin->setSprite(ep ? 1 : 0);
}

void AxisInfo::onParked(bool parked)
{
    if (m_look.known())
        sbPark->setState(parked);
}

void AxisInfo::onSecondAxisShowButton(bool state)
{
    const QSignalBlocker quiet(pbSecondAxis);
    pbSecondAxis->setChecked(state);
    showSecondAxisText(state);
}

void AxisInfo::showSecondAxisText(bool checked)
{
    pbSecondAxis->setText(checked ? QStringLiteral("Скрыть\nдополн.\nось")
                                  : QStringLiteral("Показать\nдополн.\nось"));
}

void AxisInfo::on_sbPark_clicked()
{
    emit message(QStringLiteral("[I]Нажата кнопка 'Парковка оси'"), false);
    // The button keeps its state until the drive reports back.
    emit park(sbPark->state() == StateButton::State0);
}

void AxisInfo::on_pbClearError_clicked()
{
    emit message(QStringLiteral("[I]Нажата кнопка 'Сброс ошибки оси'"), false);
    emit clearError();
}

void AxisInfo::on_pbSecondAxis_clicked()
{
    const bool checked = pbSecondAxis->isChecked();
    showSecondAxisText(checked);
    emit showSecondAxis(checked);
}

void AxisInfo::askLimit(bool maximum)
{
    PoLabel* label = maximum ? lblSEPmax : lblSEPmin;
    // The pad starts from the coordinate; a text that is no number gives 0 (an empty pad).
    const float start = lblCoord->text().toFloat();
    Numpad pad(maximum ? QStringLiteral("Максимум") : QStringLiteral("Минимум"), label, start,
               false, false, false);
    if (pad.exec() != QDialog::Accepted)
        return;
    m_drive->command(maximum ? DriveCommand::limitMax(m_name, pad.value())
                             : DriveCommand::limitMin(m_name, pad.value()));
}

void AxisInfo::on_lblSEPmax_clicked()
{
    askLimit(true);
}

void AxisInfo::on_lblSEPmin_clicked()
{
    askLimit(false);
}

void AxisInfo::on_lblReferValue_clicked()
{
    Numpad pad(QStringLiteral("Значение"), lblReferValue, 0.0f, false, false, false);
    if (pad.exec() == QDialog::Accepted)
        lblReferValue->setValue(float(pad.value()), 2);
}

void AxisInfo::on_pbReference_clicked()
{
    {
        Numpad code(QStringLiteral("Пароль:"), pbReference, 0.0f, true, true, true);
        if (code.exec() != QDialog::Accepted || code.value() != AccessCodes::Setup)
            return;
    }
    {
        Confirm confirm(QStringLiteral("Подтверждение"),
                        QStringLiteral("Выполнить референцирование оси?"), pbReference, 5);
        if (confirm.exec() != QDialog::Accepted)
            return;
    }
    emit message(QStringLiteral("[I]Нажата кнопка 'Референцирование оси'"), false);
    const std::optional<qint32> steps = DriveCommand::referenceSteps(lblReferValue->value());
    if (!steps) {
        // The controller takes the position in ten-thousandths as a 32-bit number: a value
        // beyond that is refused rather than sent clamped or wrapped.
        emit message(QStringLiteral("[W]Значение референцирования оси %1 вне допустимого диапазона")
                         .arg(m_name),
                     true);
        return;
    }
    m_drive->command(DriveCommand::referenceTo(m_name, *steps));
}
