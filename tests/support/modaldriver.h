#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QAbstractButton;
class QListWidgetItem;
class QWidget;
class ModalDialog;

// Drives dialogs that the code under test runs with exec().
//
// A test cannot act on a dialog while exec() blocks, so it lists the steps first and then calls
// the code that opens the dialog. Each step waits for a modal dialog to come up and acts on it:
//
//     ModalDriver driver;
//     driver.next("Numpad", [](ModalDialog& pad) {
//         pad.type("12.5");                       // keys to the dialog (or its focus widget)
//         QCOMPARE(pad.text("leLCD"), QString("12.5"));
//         pad.click("pbEnter");                   // by object name, else by button text
//     });
//     QCOMPARE(numpad.exec(), int(QDialog::Accepted));
//     QVERIFY(driver.done());
//
// A modal dialog is a visible QDialog that is being executed (exec(), or shown modal), whether it
// is a window of its own or a child widget inside a host frame. When several are open (a
// question asked from inside another dialog), a step acts on the innermost one: the one inside
// QApplication::activeModalWidget(), else the one that came up last.
//
// Steps run in order, each on a new appearance of a dialog: a step never acts on the dialog that
// the previous step acted on while that dialog stays open. `which` (a class name, matched with
// inherits(), or an object name) makes a step wait for that dialog. An action may click a button
// that opens a further dialog: the click returns when that dialog is closed, and the next step
// meanwhile acts on the inner dialog.
//
// Everything is bounded. The driver fails the test (QTest::qFail, so a QVERIFY after exec() is
// not needed for that) and rejects every modal dialog until none is left, so that each exec()
// returns, when:
//   - a modal dialog stays open for `boundMs` while no step acts on it (the pending step's dialog
//     never came up, or no step is left for the open dialog);
//   - an action fails (a lookup in ModalDialog, or a QVERIFY/QCOMPARE inside the action);
//   - the driver is destroyed with steps that never ran.
// After a failure the driver keeps rejecting every modal dialog that comes up while it lives.
class ModalDriver : public QObject
{
    Q_OBJECT

public:
    using Action = std::function<void(ModalDialog&)>;
    using FailureHandler = std::function<void(const QString& message)>;

    // Polls every few milliseconds from the event loop, from now until destruction.
    explicit ModalDriver(int boundMs = 10000);
    ~ModalDriver() override;

    // Appends a step for the next modal dialog (of class or object name `which`).
    ModalDriver& next(Action action);
    ModalDriver& next(const QString& which, Action action);

    // Every step has run and nothing failed.
    bool done() const;
    bool failed() const { return m_failed; }
    int stepsRun() const { return m_next; }
    // The first failure's message.
    QString failure() const { return m_failure; }

    // Replaces QTest::qFail as the way failures are reported (for testing the driver itself).
    void setFailureHandler(FailureHandler handler) { m_onFailure = std::move(handler); }

    // The modal dialogs open now, innermost last.
    QList<QDialog*> openDialogs();
    // The innermost modal dialog, or nullptr.
    QDialog* topDialog();

    // True while `dialog` is a visible modal dialog.
    static bool isOpen(const QDialog* dialog);

    // Records a failure, stops the steps and starts closing every dialog.
    void fail(const QString& message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Step {
        QString which;
        Action action;
    };

    void poll();
    void scheduleTick();
    bool matches(const QDialog* dialog, const QString& which) const;
    QString describeOpenDialogs();

    const int m_boundMs;
    QList<Step> m_steps;
    int m_next = 0;
    QList<QPointer<QDialog>> m_seen;   // dialogs in the order they first came up
    QPointer<QDialog> m_lastActed;     // the dialog of the latest step, until it is hidden
    QElapsedTimer m_clock;             // runs while a dialog is open and no step starts
    bool m_failed = false;
    QString m_failure;
    FailureHandler m_onFailure;
};

// The dialog handed to a step's action. Lookups that find nothing report a failure to the driver
// and return nullptr / an empty value, so an action may go on without checking each result.
class ModalDialog
{
public:
    ModalDialog(ModalDriver* driver, QDialog* dialog) : m_driver(driver), m_dialog(dialog) {}

    QDialog* dialog() const { return m_dialog; }
    // The dialog's window: its host frame, or the dialog itself when it is a window.
    QWidget* window() const;
    // Still visible and modal.
    bool isOpen() const { return ModalDriver::isOpen(m_dialog); }

    // The descendant with this object name.
    QWidget* widget(const QString& objectName) const;
    template <class T>
    T* find(const QString& objectName) const
    {
        T* found = qobject_cast<T*>(widget(objectName));
        if (!found && m_dialog)
            fail(QStringLiteral("'%1' is not a %2").arg(objectName, T::staticMetaObject.className()));
        return found;
    }

    // The button with this object name, else the one whose text (without '&') is this text.
    QAbstractButton* button(const QString& nameOrText) const;
    // A real mouse click on that button; a disabled button ignores it, as on the screen.
    // Returns false when there is no such button. May open a nested dialog (then returns when
    // that dialog has closed).
    bool click(const QString& nameOrText);
    bool isEnabled(const QString& nameOrText) const;

    // Clicks the host frame's own button: the one push button of the dialog's window that lies
    // outside the dialog (a frame's close button).
    bool clickFrameClose();

    // Key clicks to the dialog's focus widget (the dialog itself when nothing inside has focus),
    // or to the named widget.
    void type(const QString& text);
    void type(const QString& objectName, const QString& text);
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void key(const QString& objectName, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    // The text of a label, line edit, button, text edit, combo box, or a list's current item.
    QString text(const QString& objectName) const;
    // The item texts of a list widget.
    QStringList items(const QString& listName) const;
    // Mouse click / double click on the list item with this text.
    bool clickItem(const QString& listName, const QString& itemText);
    bool doubleClickItem(const QString& listName, const QString& itemText);

    void accept();
    void reject();

    // Reports a failure through the driver (fails the test, closes the dialogs).
    void fail(const QString& message) const;

private:
    QWidget* keyTarget() const;
    QListWidgetItem* listItem(const QString& listName, const QString& itemText) const;

    ModalDriver* m_driver;
    QPointer<QDialog> m_dialog;
};
