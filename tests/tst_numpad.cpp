#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QtTest>

#include "modaldriver.h"
#include "numpad.h"
#include "testenv.h"

namespace {

// Performs one token of a key sequence on the pad: "0".."9", "sign", "dot", "del", "clr",
// "enter" click the keys on screen; "k" + a character or a key name presses a physical key;
// "close" clicks the frame's close button.
void perform(ModalDialog& pad, const QString& token)
{
    static const QMap<QString, QString> buttons{
        {"sign", "pbSign"}, {"dot", "pbDecimal"}, {"del", "pbDelete"},
        {"clr", "pbClear"}, {"enter", "pbEnter"}};
    static const QMap<QString, Qt::Key> keys{
        {"kBack", Qt::Key_Backspace}, {"kDel", Qt::Key_Delete}, {"kRet", Qt::Key_Return},
        {"kEnter", Qt::Key_Enter}, {"kEsc", Qt::Key_Escape}};
    if (token.size() == 1 && token.at(0).isDigit())
        pad.click("pb" + token);
    else if (buttons.contains(token))
        pad.click(buttons.value(token));
    else if (keys.contains(token))
        pad.key(keys.value(token));
    else if (token.size() == 2 && token.startsWith('k'))
        pad.type(token.mid(1));
    else if (token == "close")
        pad.clickFrameClose();
    else
        pad.fail("unknown token " + token);
}

// Why the display does not show its whole text, or an empty string when it does. The text as
// the display draws it (masked in password mode) is measured with the display's own font against
// its contents rectangle less the frame and the text margins, and less the 2 px a line edit keeps
// free on either side and the cursor's pixel. Then the display is painted (a line edit scrolls
// while it paints) and must have its first character at the left edge of that room and its last
// at the right edge: nothing scrolled away.
QString unseenText(QLineEdit* display)
{
    const int frame = display->hasFrame()
        ? display->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, display) : 0;
    const QRect contents = display->contentsRect()
        .adjusted(frame, frame, -frame, -frame)
        .marginsRemoved(display->textMargins());
    const QRect room = contents.adjusted(2, 0, -2, 0);
    const QString shown = display->displayText();
    const QFontMetrics metrics = display->fontMetrics();
    const QString where = QStringLiteral("\"%1\" in %2 %3 pt: ")
        .arg(shown, display->fontInfo().family()).arg(display->fontInfo().pointSize());
    const int width = metrics.horizontalAdvance(shown) + 1;
    if (width > room.width())
        return where + QStringLiteral("%1 px wide in %2").arg(width).arg(room.width());
    const QRect ink = metrics.boundingRect(shown);
    if (ink.height() > contents.height())
        return where + QStringLiteral("%1 px tall in %2").arg(ink.height()).arg(contents.height());

    display->grab();
    const int middle = contents.center().y();
    const int first = display->cursorPositionAt(QPoint(room.left(), middle));
    const int last = display->cursorPositionAt(QPoint(room.right(), middle));
    if (first != 0 || last != shown.size())
        return where + QStringLiteral("shows characters %1 to %2").arg(first).arg(last);
    return QString();
}

struct Anchor {
    Anchor()
    {
        widget.setGeometry(300, 200, 120, 40);
        widget.show();
    }
    QWidget widget;
};

}  // namespace

class TestNumpad : public QObject
{
    Q_OBJECT

private slots:
    void keySequences_data()
    {
        QTest::addColumn<float>("start");
        QTest::addColumn<bool>("noDecimal");
        QTest::addColumn<bool>("noSign");
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<QString>("text");     // the display at the end
        QTest::addColumn<QString>("outcome");  // "open", "accepted" or "rejected"
        QTest::addColumn<double>("value");

        auto row = [](const char* name, float start, QString sequence, QString text,
                      QString outcome, double value = 0, bool noDecimal = false, bool noSign = false) {
            QTest::newRow(name) << start << noDecimal << noSign << sequence << text << outcome << value;
        };
        // Seven digits at most, with and without a point and a sign.
        row("eighth digit ignored", 0, "1 2 3 4 5 6 7 8", "1234567", "open");
        row("point after the third digit", 0, "1 2 3 dot 4 5 6 7 8 enter", "123.4567", "accepted", 123.4567);
        row("sign does not count", 0, "sign 1 2 3 4 5 6 7 8", "-1234567", "open");
        row("sign and point", 0, "sign 1 dot 2 3 4 5 6 7 8 enter", "-1.234567", "accepted", -1.234567);
        row("eighth digit by key", 0, "k9 k8 k7 k6 k5 k4 k3 k2", "9876543", "open");
        // The point.
        row("second point ignored", 0, "1 dot 2 dot 3", "1.23", "open");
        row("point on seven digits ignored", 0, "1 2 3 4 5 6 7 dot", "1234567", "open");
        row("point on an empty display", 0, "dot enter", ".", "accepted", 0);
        row("comma key is the point", 0, "k1 k, k5 kRet", "1.5", "accepted", 1.5);
        row("enter on a trailing point", 0, "5 dot enter", "5.", "accepted", 5);
        // The start value.
        row("start value shown", 12.5f, "", "12.5", "open");
        row("start value accepted", 12.5f, "enter", "12.5", "accepted", 12.5);
        row("start value digits append", 12.5f, "3", "12.53", "open");
        row("zero start shows nothing", 0, "", "", "open");
        row("negative start shows nothing", -3, "", "", "open");
        row("first digit stands alone", -3, "7", "7", "open");
        row("enter on nothing", 0, "enter", "", "accepted", 0);
        // Sign, clear, delete.
        row("sign on zero", 0, "clr sign", "-", "open");
        row("digit after a lone sign", 0, "clr sign 5", "-5", "open");
        row("delete down to zero", 0, "clr sign 5 del", "0", "open");
        row("enter on a lone sign", 0, "clr sign enter", "-", "accepted", 0);
        row("sign toggles", 0, "5 sign sign", "5", "open");
        row("digit replaces the lone zero", 0, "clr 0 0 4", "4", "open");
        row("delete every digit", 0, "1 2 del del del", "0", "open");
        row("backspace and delete keys", 0, "k1 k2 kBack k3 kDel", "0", "open");
        row("minus key is the sign", 0, "k4 k-", "-4", "open");
        // Disabling flags, on the keys on screen and on the physical keys.
        row("no sign: key and button", 0, "5 sign k-", "5", "open", 0, false, true);
        row("no decimal: key and buttons", 0, "5 dot k. k, 6", "56", "open", 0, true, false);
        row("no decimal keeps the sign", 0, "5 sign", "-5", "open", 0, true, false);
        // Ending the pad.
        row("enter key", 0, "k7 kRet", "7", "accepted", 7);
        row("keypad enter", 0, "k7 kEnter", "7", "accepted", 7);
        row("escape rejects", 0, "k7 kEsc", "7", "rejected", 0);
        row("frame close rejects", 0, "k7 close", "7", "rejected", 0);
        row("other keys ignored", 0, "k7 kA k+ k*", "7", "open");
    }
    void keySequences()
    {
        QFETCH(float, start);
        QFETCH(bool, noDecimal);
        QFETCH(bool, noSign);
        QFETCH(QString, sequence);
        QFETCH(QString, text);
        QFETCH(QString, outcome);
        QFETCH(double, value);

        Anchor anchor;
        Numpad pad(QStringLiteral("Скорость"), &anchor.widget, start, noDecimal, noSign, false);
        bool leftOpen = false;
        ModalDriver driver;
        driver.next("Numpad", [&](ModalDialog& d) {
            const QStringList tokens = sequence.split(' ', Qt::SkipEmptyParts);
            for (const QString& token : tokens)
                perform(d, token);
            if (d.isOpen()) {
                leftOpen = true;
                d.reject();
            }
        });
        const int result = pad.exec();
        QVERIFY(driver.done());
        QCOMPARE(pad.getValue(), text);
        if (outcome == "open")
            QVERIFY(leftOpen);
        else
            QCOMPARE(result, outcome == "accepted" ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(pad.value(), value);
    }

    // The longest entries, typed on the keys on screen, show every character, the sign
    // included, in whichever font the display is drawn: the form's own as the console
    // substitutes it, and each of the console's families. The display keeps its place and size,
    // and a short entry is drawn at the full size again.
    void wholeEntryShown_data()
    {
        QTest::addColumn<QString>("family");  // empty: the form's font as the console draws it
        QTest::addColumn<float>("start");
        QTest::addColumn<bool>("password");
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<QString>("text");

        struct Entry {
            const char* name;
            float start;
            bool password;
            const char* sequence;
            const char* text;
        };
        const Entry entries[] = {
            {"two decimals", 0, false, "sign 1 2 3 4 5 dot 6 7", "-12345.67"},
            {"three decimals", 0, false, "sign 1 2 3 4 dot 5 6 7", "-1234.567"},
            {"one decimal, sign last", 0, false, "1 2 3 4 5 6 dot 7 sign", "-123456.7"},
            {"seven digits", 0, false, "sign 1 2 3 4 5 6 7 dot", "-1234567"},
            {"last digit retyped", 0, false, "sign 1 2 3 4 5 dot 6 7 del 8", "-12345.68"},
            {"start value in exponent form", 1234567.f, false, "sign", "-1.23457e+06"},
            {"hidden code", 0, true, "9 8 7 6 5 4 3", "9876543"},
        };
        const QStringList families = QStringList(QString()) + consoleFamilies();
        for (const QString& family : families) {
            for (const Entry& entry : entries) {
                const QString name = (family.isEmpty() ? QStringLiteral("form font") : family)
                    + QStringLiteral(", ") + QLatin1String(entry.name);
                QTest::newRow(qPrintable(name)) << family << entry.start << entry.password
                                                << QString(entry.sequence) << QString(entry.text);
            }
        }
    }
    void wholeEntryShown()
    {
        QFETCH(QString, family);
        QFETCH(float, start);
        QFETCH(bool, password);
        QFETCH(QString, sequence);
        QFETCH(QString, text);

        Anchor anchor;
        Numpad pad(QStringLiteral("Предел"), &anchor.widget, start, password, password, password);
        auto* display = pad.findChild<QLineEdit*>("leLCD");
        QVERIFY(display);
        const QRect place = display->geometry();
        const int fullSize = password ? 24 : 30;
        if (!family.isEmpty()) {
            QFont font = display->font();
            font.setFamily(family);
            display->setFont(font);
        }
        ModalDriver driver;
        driver.next("Numpad", [&](ModalDialog& d) {
            for (const QString& token : sequence.split(' ', Qt::SkipEmptyParts))
                perform(d, token);
            QCOMPARE(d.text("leLCD"), text);
            const QString unseen = unseenText(display);
            QVERIFY2(unseen.isEmpty(), qPrintable(unseen));
            QCOMPARE(display->geometry(), place);
            perform(d, "del");
            QVERIFY2(unseenText(display).isEmpty(), qPrintable(unseenText(display)));
            perform(d, "clr");
            perform(d, "1");
            QCOMPARE(display->font().pointSize(), fullSize);
            QVERIFY2(unseenText(display).isEmpty(), qPrintable(unseenText(display)));
            perform(d, "enter");
        });
        QCOMPARE(pad.exec(), int(QDialog::Accepted));
        QVERIFY(driver.done());
        QCOMPARE(pad.value(), 1.0);
        if (!family.isEmpty())
            QCOMPARE(display->font().family(), family);
    }

    // The display is read-only and takes no focus: touching it and typing still goes through
    // the pad's own rules.
    void displayTakesNoTypingOfItsOwn()
    {
        Anchor anchor;
        Numpad pad(QStringLiteral("Ток"), &anchor.widget, 0, false, false, false);
        ModalDriver driver;
        driver.next("Numpad", [](ModalDialog& d) {
            auto* display = d.find<QLineEdit>("leLCD");
            QTest::mouseClick(display, Qt::LeftButton);
            QVERIFY(d.dialog()->focusWidget() != display);
            d.type("abc1.2.3-");
            QCOMPARE(d.text("leLCD"), QStringLiteral("-1.23"));
            d.type("456789");
            QCOMPARE(d.text("leLCD"), QStringLiteral("-1.234567"));
            d.key(Qt::Key_Return);
        });
        QCOMPARE(pad.exec(), int(QDialog::Accepted));
        QVERIFY(driver.done());
        QCOMPARE(pad.value(), -1.234567);
    }

    void passwordModeHidesTheDigits()
    {
        Anchor anchor;
        Numpad pad(QStringLiteral("Код"), &anchor.widget, 0, true, true, true);
        auto* display = pad.findChild<QLineEdit*>("leLCD");
        QCOMPARE(display->echoMode(), QLineEdit::Password);
        QCOMPARE(display->font().pointSize(), 24);
        ModalDriver driver;
        driver.next([](ModalDialog& d) { d.type("4711\r"); });
        QCOMPARE(pad.exec(), int(QDialog::Accepted));
        QCOMPARE(pad.value(), 4711.0);

        Numpad plain(QString(), &anchor.widget, 0, false, false, false);
        QCOMPARE(plain.findChild<QLineEdit*>("leLCD")->echoMode(), QLineEdit::Normal);
        QCOMPARE(plain.findChild<QLineEdit*>("leLCD")->font().pointSize(), 30);
    }

    void opensInItsFrameBelowTheAnchor()
    {
        Anchor anchor;
        auto* pad = new Numpad(QStringLiteral("Скорость"), &anchor.widget, 0, false, false, false);
        QPointer<QWidget> frame = pad->window();
        QVERIFY(frame != pad);
        QVERIFY(frame->isVisible());
        QCOMPARE(pad->size(), QSize(194, 384));
        QCOMPARE(frame->size(), QSize(200, 446));
        QCOMPARE(frame->pos(), anchor.widget.mapToGlobal(QPoint(0, anchor.widget.height())));
        QCOMPARE(frame->windowModality(), Qt::WindowModal);
        QCOMPARE(pad->value(), 0.0);
        // Every key is its picture from the pad's image bundle.
        const QList<QPushButton*> keys = pad->findChildren<QPushButton*>();
        QCOMPARE(keys.size(), 15);
        for (const QPushButton* key : keys) {
            QVERIFY2(!key->icon().pixmap(64, 64).isNull(), qPrintable(key->objectName()));
            QVERIFY(key->text().isEmpty());
            QCOMPARE(key->focusPolicy(), Qt::NoFocus);
        }
        delete pad;   // the frame follows at the next turn of the event loop
        QTRY_VERIFY_WITH_TIMEOUT(frame.isNull(), 2000);
    }
};

POKAVRO_TEST_MAIN(TestNumpad)
#include "tst_numpad.moc"
