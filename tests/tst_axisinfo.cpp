// The axis parameters dialog: its display and buttons by drive state, what it shows for each
// axis, the soft-limit and referencing commands it sends to a loopback drive controller, and the
// axis object that opens it, feeds it and turns its requests into commands.

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

#include "axisinfo.h"
#include "axispanel.h"
#include "drivecomm.h"
#include "drivecommand.h"
#include "drivediag.h"
#include "drivepeer.h"
#include "modaldriver.h"
#include "myframe.h"
#include "testenv.h"

namespace {

// A number pad step: types the entry and confirms it, or closes the pad by its frame.
ModalDriver::Action pad(const QString& title, const QString& entry, bool confirm = true)
{
    return [title, entry, confirm](ModalDialog& d) {
        auto* frame = qobject_cast<MyFrame*>(d.window());
        QVERIFY(frame);
        QCOMPARE(frame->titleLabel()->text(), title);
        d.type(entry);
        if (confirm)
            d.click(QStringLiteral("pbEnter"));
        else
            d.clickFrameClose();
    };
}

QStringList texts(const QSignalSpy& spy)
{
    QStringList lines;
    for (const QList<QVariant>& args : spy)
        lines << args.at(0).toString() + (args.at(1).toBool() ? QStringLiteral(" +") : QString());
    return lines;
}

}  // namespace

class TestAxisInfo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_link = std::make_unique<DriveTCPthread>();
    }

    void init()
    {
        QVERIFY(m_peer.attach(*m_link));
        m_anchor.setGeometry(300, 200, 120, 40);
        m_anchor.show();
    }

    void cleanupTestCase()
    {
        m_link.reset();
    }

    // Over a link whose status is not known the dialog shows its opener's values as unknown:
    // texts marked, end switches and the park button waiting for fresh status. With the status
    // known it shows them as they come, the park button following the drive state.
    void unknownWhileTheLinkSaysNothing()
    {
        const QColor pink(255, 192, 192);
        const QImage unknownLamp = QPixmap(QStringLiteral(":/images/indicator_unknown.png")).toImage();
        for (bool known : {false, true}) {
            DriveTCPthread dead;
            AxisInfo info(QStringLiteral("LX"), known ? m_link.get() : &dead, &m_anchor);
            info.onCoordChanged(12.5f);
            info.onEpPlusChanged(true);
            info.onStateChanged(0xC1600);
            QCOMPARE(info.lblCoord->text(), QStringLiteral("12.5000"));
            QCOMPARE(info.lblCoord->palette().color(QPalette::Window) == pink, !known);
            QCOMPARE(info.indEPmax->pixmap(Qt::ReturnByValue).toImage() == unknownLamp, !known);
            QCOMPARE(info.sbPark->state(), known ? StateButton::State1 : StateButton::State4);
        }
    }

    // The code and its text, and which buttons a drive state leaves enabled.
    void buttonsByState_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("reference");
        QTest::addColumn<bool>("clearError");
        QTest::newRow("A0101") << 0xA0101 << "a0101" << true << true;
        QTest::newRow("A0102 encoder 1") << 0xA0102 << "a0102" << false << true;
        QTest::newRow("A0103 encoder 2") << 0xA0103 << "a0103" << false << true;
        QTest::newRow("A0104") << 0xA0104 << "a0104" << true << true;
        QTest::newRow("C1600 parked") << 0xC1600 << "c1600" << true << false;
        QTest::newRow("F2174") << 0xF2174 << "f2174" << true << true;
    }
    void buttonsByState()
    {
        QFETCH(int, code);
        QFETCH(QString, shown);
        QFETCH(bool, reference);
        QFETCH(bool, clearError);

        AxisInfo info(QStringLiteral("LX"), m_link.get(), &m_anchor);
        // Start from the opposite of what the code must give.
        info.onStateChanged(reference ? 0xA0102 : 0xA0101);
        info.onStateChanged(clearError ? 0xC1600 : 0xA0101);
        info.onStateChanged(code);
        QCOMPARE(info.lblState->text(), shown);
        QCOMPARE(info.lblStateDesc->text(), stateDesc(code));
        QCOMPARE(info.pbReference->isEnabled(), reference);
        QCOMPARE(info.pbClearError->isEnabled(), clearError);

        // A virtual-axis state changes the texts only.
        info.onVirtualStateChanged(3);
        QCOMPARE(info.lblState->text(), QStringLiteral("3"));
        QCOMPARE(info.lblStateDesc->text(), virtualStateDesc(3));
        QCOMPARE(info.pbReference->isEnabled(), reference);
        QCOMPARE(info.pbClearError->isEnabled(), clearError);
    }

    // The title, and which groups the dialog of each axis shows.
    void visibilityByName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("secondAxis");
        QTest::addColumn<bool>("parkAndReference");
        QTest::newRow("LX") << "LX" << true << true;
        QTest::newRow("U1") << "U1" << true << true;
        QTest::newRow("LX2") << "LX2" << false << false;
        QTest::newRow("U2") << "U2" << false << false;
        QTest::newRow("LY") << "LY" << false << true;
        QTest::newRow("V") << "V" << false << true;
        QTest::newRow("virtual PHI") << "PHI" << false << true;
    }
    void visibilityByName()
    {
        QFETCH(QString, name);
        QFETCH(bool, secondAxis);
        QFETCH(bool, parkAndReference);

        AxisInfo info(name, m_link.get(), &m_anchor);
        auto* frame = qobject_cast<MyFrame*>(info.parentWidget());
        QVERIFY(frame);
        QCOMPARE(frame->titleLabel()->text(), QStringLiteral("Ось ") + name);
        QCOMPARE(info.size(), QSize(465, 465));
        // The frame hangs from the anchor's bottom-left corner.
        QCOMPARE(frame->pos(), m_anchor.mapToGlobal(QPoint(0, m_anchor.height())));
        QCOMPARE(!info.pbSecondAxis->isHidden(), secondAxis);
        QCOMPARE(!info.frmPark->isHidden(), parkAndReference);
        QCOMPARE(!info.frmReference->isHidden(), parkAndReference);
        QCOMPARE(info.sbPark->captionLabel()->text(), QStringLiteral("Ось ") + name);
    }

    // Soft limits: the pad starts from the coordinate, the value leaves with one decimal, and
    // the label waits for the controller's report.
    void softLimits_data()
    {
        QTest::addColumn<bool>("maximum");
        QTest::addColumn<float>("coord");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("command");
        QTest::newRow("max 1250") << true << 12.5f << "12.5" << "\b\b\b\b1250" << true
                                  << "LIMIT_MAX(LX,1250.0)";
        QTest::newRow("max 100.04") << true << 0.0f << "" << "100.04" << true
                                    << "LIMIT_MAX(LX,100.0)";
        QTest::newRow("min -35.5") << false << -3.0f << "" << "35.5-" << true
                                   << "LIMIT_MIN(LX,-35.5)";
        QTest::newRow("min -0.06") << false << 0.0f << "" << "0.06-" << true
                                   << "LIMIT_MIN(LX,-0.1)";
        QTest::newRow("empty entry") << true << -1.0f << "" << "" << true << "LIMIT_MAX(LX,0.0)";
        QTest::newRow("cancelled") << false << 7.0f << "7" << "1" << false << "";
    }
    void softLimits()
    {
        QFETCH(bool, maximum);
        QFETCH(float, coord);
        QFETCH(QString, start);
        QFETCH(QString, entry);
        QFETCH(bool, confirm);
        QFETCH(QString, command);

        AxisInfo info(QStringLiteral("LX"), m_link.get(), &m_anchor);
        info.onCoordChanged(coord);
        info.onMaxLimChanged(900.0f);
        info.onMinLimChanged(-900.0f);
        const QString label = maximum ? QStringLiteral("lblSEPmax") : QStringLiteral("lblSEPmin");
        const QString title = maximum ? QStringLiteral("Максимум") : QStringLiteral("Минимум");
        QSignalSpy messages(&info, &AxisInfo::message);

        ModalDriver driver;
        driver.next(QStringLiteral("AxisInfo"), [&](ModalDialog& d) {
            QTest::mouseClick(d.find<PoLabel>(label), Qt::LeftButton);
            d.clickFrameClose();
        });
        driver.next(QStringLiteral("Numpad"), [&](ModalDialog& d) {
            QCOMPARE(d.text(QStringLiteral("leLCD")), start);
            QVERIFY(d.isEnabled(QStringLiteral("pbDecimal")));
            QVERIFY(d.isEnabled(QStringLiteral("pbSign")));
            pad(title, entry, confirm)(d);
        });
        QCOMPARE(info.exec(), int(QDialog::Rejected));
        QVERIFY(driver.done());

        if (command.isEmpty())
            QVERIFY(m_peer.silent());
        else
            QCOMPARE(m_peer.next(), command);
        QCOMPARE(info.lblSEPmax->text(), QStringLiteral("900.0"));
        QCOMPARE(info.lblSEPmin->text(), QStringLiteral("-900.0"));
        QCOMPARE(messages.size(), 0);

        // The controller's report, with one decimal.
        info.onMaxLimChanged(1250.04f);
        info.onMinLimChanged(-35.46f);
        QCOMPARE(info.lblSEPmax->text(), QStringLiteral("1250.0"));
        QCOMPARE(info.lblSEPmin->text(), QStringLiteral("-35.5"));
        QCOMPARE(info.lblSEPmin->value(), -35.46f);
    }

    // Referencing: the value, the access code, the confirmation, and what reaches the
    // controller. Every refusal ends silently and leaves the dialog open.
    void referencing_data()
    {
        QTest::addColumn<QString>("value");  // null: none entered
        QTest::addColumn<QString>("code");   // null: the code pad is cancelled
        QTest::addColumn<int>("answer");     // 1 yes, 0 no, -1 the frame's close button
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("lines");
        const QString pressed = QStringLiteral("[I]Нажата кнопка 'Референцирование оси'");
        const QString refused =
            QStringLiteral("[W]Значение референцирования оси LX вне допустимого диапазона +");
        QTest::newRow("12.5") << "12.5" << "730164" << 1 << "REFERENCE(LX,125000)"
                              << QStringList{pressed};
        QTest::newRow("-0.25") << "0.25-" << "730164" << 1 << "REFERENCE(LX,-2500)"
                               << QStringList{pressed};
        QTest::newRow("none entered") << QString() << "730164" << 1 << "REFERENCE(LX,0)"
                                      << QStringList{pressed};
        QTest::newRow("0.00005 cut") << "0.00005" << "730164" << 1 << "REFERENCE(LX,0)"
                                     << QStringList{pressed};
        QTest::newRow("-1.23456 cut") << "1.23456-" << "730164" << 1 << "REFERENCE(LX,-12345)"
                                      << QStringList{pressed};
        QTest::newRow("wrong code") << "12.5" << "730165" << 1 << "" << QStringList();
        QTest::newRow("empty code") << "12.5" << "" << 1 << "" << QStringList();
        QTest::newRow("code pad cancelled") << "12.5" << QString() << 1 << "" << QStringList();
        QTest::newRow("answered no") << "12.5" << "730164" << 0 << "" << QStringList();
        QTest::newRow("question closed") << "12.5" << "730164" << -1 << "" << QStringList();
        // 300000 × 10000 does not fit the controller's 32-bit number.
        QTest::newRow("out of range") << "300000" << "730164" << 1 << ""
                                      << QStringList{pressed, refused};
        QTest::newRow("negative out of range") << "300000-" << "730164" << 1 << ""
                                               << QStringList{pressed, refused};
    }
    void referencing()
    {
        QFETCH(QString, value);
        QFETCH(QString, code);
        QFETCH(int, answer);
        QFETCH(QString, command);
        QFETCH(QStringList, lines);

        AxisInfo info(QStringLiteral("LX"), m_link.get(), &m_anchor);
        info.onStateChanged(0xA0101);
        QSignalSpy messages(&info, &AxisInfo::message);

        ModalDriver driver;
        driver.next(QStringLiteral("AxisInfo"), [&](ModalDialog& d) {
            if (!value.isNull())
                QTest::mouseClick(d.find<PoLabel>(QStringLiteral("lblReferValue")), Qt::LeftButton);
            QVERIFY(d.click(QStringLiteral("pbReference")));
            // Nothing has closed the dialog.
            QVERIFY(d.isOpen());
            d.clickFrameClose();
        });
        if (!value.isNull()) {
            driver.next(QStringLiteral("Numpad"), [&](ModalDialog& d) {
                QCOMPARE(d.text(QStringLiteral("leLCD")), QString());
                pad(QStringLiteral("Значение"), value)(d);
            });
        }
        driver.next(QStringLiteral("Numpad"), [&](ModalDialog& d) {
            QCOMPARE(d.text(QStringLiteral("leLCD")), QString());
            QVERIFY(!d.isEnabled(QStringLiteral("pbDecimal")));
            QVERIFY(!d.isEnabled(QStringLiteral("pbSign")));
            QCOMPARE(d.find<QLineEdit>(QStringLiteral("leLCD"))->echoMode(), QLineEdit::Password);
            pad(QStringLiteral("Пароль:"), code, !code.isNull())(d);
        });
        if (code == QLatin1String("730164")) {
            driver.next(QStringLiteral("Confirm"), [&](ModalDialog& d) {
                auto* frame = qobject_cast<MyFrame*>(d.window());
                QVERIFY(frame);
                QCOMPARE(frame->titleLabel()->text(), QStringLiteral("Подтверждение"));
                QCOMPARE(d.text(QStringLiteral("lblText")),
                         QStringLiteral("Выполнить референцирование оси?"));
                if (answer == 1)
                    d.click(QStringLiteral("Да"));
                else if (answer == 0)
                    d.click(QStringLiteral("Нет"));
                else
                    d.clickFrameClose();
            });
        }
        QCOMPARE(info.exec(), int(QDialog::Rejected));
        QVERIFY(driver.done());

        if (!value.isNull())
            QCOMPARE(info.lblReferValue->text(),
                     QString::number(double(info.lblReferValue->value()), 'f', 2));
        if (command.isEmpty())
            QVERIFY(m_peer.silent());
        else
            QCOMPARE(m_peer.next(), command);
        QCOMPARE(texts(messages), lines);
    }

    // The ten-thousandths of a referencing value, in single precision; a value that is not
    // finite or does not fit 32 bits gives nothing.
    void referenceSteps_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint32>("steps");
        const float inf = std::numeric_limits<float>::infinity();
        QTest::newRow("12.5") << 12.5f << true << 125000;
        QTest::newRow("0.0003 rounds up in single precision") << 0.0003f << true << 3;
        QTest::newRow("largest") << 214748.3f << true << 2147483008;
        QTest::newRow("lowest") << -214748.3648f << true << std::numeric_limits<qint32>::min();
        QTest::newRow("2^31 / 10000") << 214748.3648f << false << 0;
        QTest::newRow("too low") << -214749.0f << false << 0;
        QTest::newRow("huge") << 1e30f << false << 0;
        QTest::newRow("inf") << inf << false << 0;
        QTest::newRow("-inf") << -inf << false << 0;
        QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << false << 0;
    }
    void referenceSteps()
    {
        QFETCH(float, value);
        QFETCH(bool, valid);
        QFETCH(qint32, steps);
        const std::optional<qint32> result = DriveCommand::referenceSteps(value);
        QCOMPARE(result.has_value(), valid);
        if (valid)
            QCOMPARE(*result, steps);
    }

    // Opened from its axis: fed with the axis's values, following them while open, and its
    // requests turned into the axis's commands and signals.
    void openedByTheAxis()
    {
        AxisPanel panel(m_link.get());
        Axis& axis = *panel.axis;
        axis.onStateChanged(0xC1600);
        axis.onCoordChanged(12.5f);
        panel.speed->setValue(500.7f, 0);
        axis.onEpPlusChanged(true);
        axis.onEpPlusValueChanged(1250.04f);
        axis.onEpMinusValueChanged(-35.5f);
        QSignalSpy messages(&axis, &Axis::axisMessage);
        QSignalSpy second(&axis, &Axis::secondAxis);

        ModalDriver driver;
        driver.next(QStringLiteral("AxisInfo"), [&](ModalDialog& d) {
            auto* info = qobject_cast<AxisInfo*>(d.dialog());
            QVERIFY(info);
            QCOMPARE(qobject_cast<MyFrame*>(d.window())->pos(),
                     panel.info->mapToGlobal(QPoint(0, panel.info->height())));
            QCOMPARE(d.text(QStringLiteral("lblState")), QStringLiteral("c1600"));
            QCOMPARE(d.text(QStringLiteral("lblCoord")), QStringLiteral("12.5000"));
            QCOMPARE(d.text(QStringLiteral("lblSpeed")), QStringLiteral("500"));
            QCOMPARE(d.text(QStringLiteral("lblSEPmax")), QStringLiteral("1250.0"));
            QCOMPARE(d.text(QStringLiteral("lblSEPmin")), QStringLiteral("-35.5"));
            QCOMPARE(info->sbPark->state(), StateButton::State1);
            QVERIFY(!d.isEnabled(QStringLiteral("pbClearError")));
            QVERIFY(!info->pbSecondAxis->isHidden());
            QVERIFY(!info->pbSecondAxis->isChecked());

            // Parked and the drives off: the park button unparks.
            QTest::mouseClick(info->sbPark, Qt::LeftButton);
            QCOMPARE(m_peer.next(), QStringLiteral("DEPARK(LX)"));

            // The dialog follows the axis.
            axis.onStateChanged(0xA0101);
            QCOMPARE(info->sbPark->state(), StateButton::State0);
            QVERIFY(d.isEnabled(QStringLiteral("pbClearError")));
            axis.onCoordChanged(-7.25f);
            QCOMPARE(d.text(QStringLiteral("lblCoord")), QStringLiteral("-7.2500"));
            axis.onEpMinusValueChanged(-40.0f);
            QCOMPARE(d.text(QStringLiteral("lblSEPmin")), QStringLiteral("-40.0"));

            QTest::mouseClick(info->sbPark, Qt::LeftButton);
            QCOMPARE(m_peer.next(), QStringLiteral("PARK(LX)"));
            QVERIFY(d.click(QStringLiteral("pbClearError")));
            QCOMPARE(m_peer.next(), QStringLiteral("CLEAR_ERROR(LX)"));

            // Two presses of the second-axis button: show, then hide.
            QVERIFY(d.click(QStringLiteral("pbSecondAxis")));
            QCOMPARE(d.text(QStringLiteral("pbSecondAxis")), QStringLiteral("Скрыть\nдополн.\nось"));
            QVERIFY(d.click(QStringLiteral("pbSecondAxis")));
            QCOMPARE(d.text(QStringLiteral("pbSecondAxis")),
                     QStringLiteral("Показать\nдополн.\nось"));
            d.clickFrameClose();
        });
        QTest::mouseClick(panel.info, Qt::LeftButton);
        QVERIFY(driver.done());

        QCOMPARE(second.size(), 2);
        QCOMPARE(second[0][0].toBool(), true);
        QCOMPARE(second[1][0].toBool(), false);
        // The drive-state line of the report made while open lies between the dialog's lines.
        QCOMPARE(texts(messages), (QStringList{
                     QStringLiteral("[I]Открыто окно дополнительных параметров оси LX"),
                     QStringLiteral("[I]Нажата кнопка 'Парковка оси'"),
                     QStringLiteral("[I]Ось LX: ") + stateDesc(0xA0101) + QStringLiteral(" +"),
                     QStringLiteral("[I]Нажата кнопка 'Парковка оси'"),
                     QStringLiteral("[I]Нажата кнопка 'Сброс ошибки оси'"),
                     QStringLiteral("[I]Закрыто окно дополнительных параметров оси LX")}));

        // Reopened: the second panel state the main window reported back is shown checked.
        axis.onSecondAxisShow(true);
        driver.next(QStringLiteral("AxisInfo"), [&](ModalDialog& d) {
            QVERIFY(qobject_cast<AxisInfo*>(d.dialog())->pbSecondAxis->isChecked());
            QCOMPARE(d.text(QStringLiteral("pbSecondAxis")), QStringLiteral("Скрыть\nдополн.\nось"));
            d.clickFrameClose();
        });
        QTest::mouseClick(panel.info, Qt::LeftButton);
        QVERIFY(driver.done());
        QCOMPARE(second.size(), 2);
    }

    // With the drives powered when the dialog opens, the park button is locked: a press sends
    // nothing and logs nothing. Before any power report the drives count as off.
    void parkLock_data()
    {
        QTest::addColumn<bool>("powered");
        QTest::newRow("powered") << true;
        QTest::newRow("unpowered") << false;
    }
    void parkLock()
    {
        QFETCH(bool, powered);

        AxisPanel panel(m_link.get(), false, QStringLiteral("LY"));
        if (powered)
            panel.axis->onDrivesPowerChanged(true);
        QSignalSpy messages(panel.axis.get(), &Axis::axisMessage);

        ModalDriver driver;
        driver.next(QStringLiteral("AxisInfo"), [&](ModalDialog& d) {
            auto* info = qobject_cast<AxisInfo*>(d.dialog());
            QVERIFY(info->pbSecondAxis->isHidden());
            QTest::mouseClick(info->sbPark, Qt::LeftButton);
            d.clickFrameClose();
        });
        QTest::mouseClick(panel.info, Qt::LeftButton);
        QVERIFY(driver.done());

        if (powered) {
            QVERIFY(m_peer.silent());
            QCOMPARE(messages.size(), 2);  // opened, closed
        } else {
            QCOMPARE(m_peer.next(), QStringLiteral("PARK(LY)"));
            QCOMPARE(messages.size(), 3);
        }
    }

private:
    std::unique_ptr<DriveTCPthread> m_link;
    DrivePeer m_peer;
    QWidget m_anchor;
};

POKAVRO_TEST_MAIN(TestAxisInfo)
#include "tst_axisinfo.moc"
