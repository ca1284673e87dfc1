#include "modaldriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

namespace {

constexpr int kTickMs = 10;

QString describe(const QDialog* dialog)
{
    if (!dialog)
        return QStringLiteral("(gone)");
    QString text = QString::fromLatin1(dialog->metaObject()->className());
    if (!dialog->objectName().isEmpty() && dialog->objectName() != text)
        text += QStringLiteral(" '%1'").arg(dialog->objectName());
    const QString title = dialog->window()->windowTitle();
    if (!title.isEmpty())
        text += QStringLiteral(" \"%1\"").arg(title);
    return text;
}

// Below `ancestor` in the object tree, across windows (QWidget::isAncestorOf stops at a window,
// and a question asked from inside a dialog is a window parented to one of its widgets).
bool inside(const QObject* ancestor, const QObject* object)
{
    for (const QObject* up = object; up; up = up->parent()) {
        if (up == ancestor)
            return true;
    }
    return false;
}

QString withoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

}  // namespace

// ---- ModalDriver ----------------------------------------------------------------------------

ModalDriver::ModalDriver(int boundMs) : m_boundMs(boundMs)
{
    m_clock.start();
    scheduleTick();
}

ModalDriver::~ModalDriver()
{
    if (!m_failed && m_next < m_steps.size()) {
        const Step& step = m_steps.at(m_next);
        fail(QStringLiteral("modal step %1%2 never ran: its dialog did not come up")
                 .arg(m_next + 1)
                 .arg(step.which.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(step.which)));
    }
}

ModalDriver& ModalDriver::next(Action action)
{
    return next(QString(), std::move(action));
}

ModalDriver& ModalDriver::next(const QString& which, Action action)
{
    if (m_next == m_steps.size())
        m_clock.restart();
    m_steps.append({which, std::move(action)});
    return *this;
}

bool ModalDriver::done() const
{
    return !m_failed && m_next == m_steps.size();
}

bool ModalDriver::isOpen(const QDialog* dialog)
{
    return dialog && dialog->isVisible() && dialog->testAttribute(Qt::WA_ShowModal);
}

QList<QDialog*> ModalDriver::openDialogs()
{
    // Keep the order in which the dialogs came up; forget those that closed.
    for (int i = m_seen.size() - 1; i >= 0; --i) {
        if (!isOpen(m_seen.at(i)))
            m_seen.removeAt(i);
    }
    const QList<QWidget*> widgets = QApplication::allWidgets();
    for (QWidget* widget : widgets) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (isOpen(dialog) && !m_seen.contains(dialog))
            m_seen.append(dialog);
    }
    QList<QDialog*> open;
    for (const QPointer<QDialog>& dialog : qAsConst(m_seen))
        open.append(dialog.data());

    // The window system's modal window, when it holds a dialog being run, is the innermost.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        for (int i = open.size() - 1; i >= 0; --i) {
            if (open.at(i) == modal || modal->isAncestorOf(open.at(i))) {
                open.append(open.takeAt(i));
                break;
            }
        }
    }
    return open;
}

QDialog* ModalDriver::topDialog()
{
    const QList<QDialog*> open = openDialogs();
    return open.isEmpty() ? nullptr : open.last();
}

bool ModalDriver::matches(const QDialog* dialog, const QString& which) const
{
    if (which.isEmpty())
        return true;
    return dialog->inherits(which.toLatin1().constData()) || dialog->objectName() == which;
}

void ModalDriver::fail(const QString& message)
{
    if (m_failed)
        return;
    m_failed = true;
    m_failure = message;
    if (m_onFailure)
        m_onFailure(message);
    else
        QTest::qFail(message.toLocal8Bit().constData(), __FILE__, __LINE__);
}

QString ModalDriver::describeOpenDialogs()
{
    QStringList names;
    for (const QDialog* dialog : openDialogs())
        names << describe(dialog);
    return names.join(QStringLiteral(", "));
}

void ModalDriver::scheduleTick()
{
    // A new single-shot timer for every tick: a timer never fires inside its own slot, and an
    // action may run a nested event loop (a click that opens another dialog).
    QTimer::singleShot(kTickMs, this, &ModalDriver::poll);
}

void ModalDriver::poll()
{
    scheduleTick();
    const QList<QDialog*> open = openDialogs();
    if (open.isEmpty()) {
        m_clock.restart();
        return;
    }
    QDialog* top = open.last();
    if (m_failed) {
        top->reject();   // one per tick, so that each nested exec() unwinds in turn
        return;
    }

    if (m_next < m_steps.size() && top != m_lastActed && matches(top, m_steps.at(m_next).which)) {
        const int index = m_next++;
        const Action action = m_steps.at(index).action;   // the list may grow meanwhile
        m_lastActed = top;
        top->installEventFilter(this);
        m_clock.restart();
        const bool failedBefore = QTest::currentTestFailed();
        ModalDialog handle(this, top);
        action(handle);
        if (!failedBefore && !m_failed && QTest::currentTestFailed()) {
            // A QVERIFY or QCOMPARE inside the action has already reported; just unwind.
            m_failed = true;
            m_failure = QStringLiteral("modal step %1 failed on %2").arg(index + 1).arg(describe(top));
        }
        return;
    }

    if (m_clock.elapsed() > m_boundMs) {
        if (m_next < m_steps.size()) {
            const QString which = m_steps.at(m_next).which;
            fail(QStringLiteral("modal step %1 waited %2 ms for %3; open: %4")
                     .arg(m_next + 1)
                     .arg(m_boundMs)
                     .arg(which.isEmpty() ? QStringLiteral("a new dialog") : which)
                     .arg(describeOpenDialogs()));
        } else {
            fail(QStringLiteral("%1 stayed open %2 ms with no step left to close it")
                     .arg(describeOpenDialogs())
                     .arg(m_boundMs));
        }
    }
}

bool ModalDriver::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Hide && watched == m_lastActed.data())
        m_lastActed = nullptr;   // a dialog run again later counts as a new appearance
    return QObject::eventFilter(watched, event);
}

// ---- ModalDialog ----------------------------------------------------------------------------

QWidget* ModalDialog::window() const
{
    return m_dialog ? m_dialog->window() : nullptr;
}

void ModalDialog::fail(const QString& message) const
{
    m_driver->fail(QStringLiteral("%1: %2").arg(describe(m_dialog), message));
}

QWidget* ModalDialog::widget(const QString& objectName) const
{
    if (!m_dialog) {
        fail(QStringLiteral("the dialog is gone (looking for '%1')").arg(objectName));
        return nullptr;
    }
    QWidget* found = m_dialog->findChild<QWidget*>(objectName);
    if (!found)
        fail(QStringLiteral("no widget '%1'").arg(objectName));
    return found;
}

QAbstractButton* ModalDialog::button(const QString& nameOrText) const
{
    if (!m_dialog) {
        fail(QStringLiteral("the dialog is gone (looking for button '%1')").arg(nameOrText));
        return nullptr;
    }
    if (auto* byName = m_dialog->findChild<QAbstractButton*>(nameOrText))
        return byName;
    const QList<QAbstractButton*> buttons = m_dialog->findChildren<QAbstractButton*>();
    for (QAbstractButton* candidate : buttons) {
        if (withoutMnemonic(candidate->text()) == nameOrText)
            return candidate;
    }
    fail(QStringLiteral("no button '%1'").arg(nameOrText));
    return nullptr;
}

bool ModalDialog::click(const QString& nameOrText)
{
    QAbstractButton* target = button(nameOrText);
    if (!target)
        return false;
    if (!target->isVisible()) {
        fail(QStringLiteral("button '%1' is hidden").arg(nameOrText));
        return false;
    }
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->rect().center());
    return true;
}

bool ModalDialog::isEnabled(const QString& nameOrText) const
{
    QAbstractButton* target = button(nameOrText);
    return target && target->isEnabled();
}

bool ModalDialog::clickFrameClose()
{
    QWidget* host = window();
    if (!host || host == m_dialog) {
        fail(QStringLiteral("not hosted in a frame"));
        return false;
    }
    QList<QPushButton*> own;
    const QList<QPushButton*> buttons = host->findChildren<QPushButton*>();
    for (QPushButton* candidate : buttons) {
        if (!inside(m_dialog, candidate))
            own << candidate;
    }
    if (own.size() != 1) {
        fail(QStringLiteral("the host frame has %1 buttons of its own, not one").arg(own.size()));
        return false;
    }
    QTest::mouseClick(own.first(), Qt::LeftButton, Qt::NoModifier, own.first()->rect().center());
    return true;
}

QWidget* ModalDialog::keyTarget() const
{
    if (!m_dialog)
        return nullptr;
    QWidget* focus = m_dialog->focusWidget();
    return focus && m_dialog->isAncestorOf(focus) ? focus : m_dialog.data();
}

namespace {

void typeInto(QWidget* target, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(target, c.toLatin1());
        else   // keyClick takes Latin-1 only: send the character as text
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key(c.toUpper().unicode()), QString(c),
                                Qt::NoModifier);
    }
}

}  // namespace

void ModalDialog::type(const QString& text)
{
    if (QWidget* target = keyTarget())
        typeInto(target, text);
    else
        fail(QStringLiteral("the dialog is gone (typing '%1')").arg(text));
}

void ModalDialog::type(const QString& objectName, const QString& text)
{
    if (QWidget* target = widget(objectName))
        typeInto(target, text);
}

void ModalDialog::key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    if (QWidget* target = keyTarget())
        QTest::keyClick(target, key, modifiers);
    else
        fail(QStringLiteral("the dialog is gone (pressing a key)"));
}

void ModalDialog::key(const QString& objectName, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    if (QWidget* target = widget(objectName))
        QTest::keyClick(target, key, modifiers);
}

QString ModalDialog::text(const QString& objectName) const
{
    QWidget* target = widget(objectName);
    if (!target)
        return QString();
    if (auto* label = qobject_cast<QLabel*>(target))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(target))
        return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(target))
        return button->text();
    if (auto* edit = qobject_cast<QTextEdit*>(target))
        return edit->toPlainText();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(target))
        return edit->toPlainText();
    if (auto* combo = qobject_cast<QComboBox*>(target))
        return combo->currentText();
    if (auto* list = qobject_cast<QListWidget*>(target))
        return list->currentItem() ? list->currentItem()->text() : QString();
    fail(QStringLiteral("'%1' has no text").arg(objectName));
    return QString();
}

QStringList ModalDialog::items(const QString& listName) const
{
    QStringList texts;
    if (auto* list = find<QListWidget>(listName)) {
        for (int row = 0; row < list->count(); ++row)
            texts << list->item(row)->text();
    }
    return texts;
}

QListWidgetItem* ModalDialog::listItem(const QString& listName, const QString& itemText) const
{
    auto* list = find<QListWidget>(listName);
    if (!list)
        return nullptr;
    const QList<QListWidgetItem*> found = list->findItems(itemText, Qt::MatchExactly);
    if (found.isEmpty()) {
        fail(QStringLiteral("no item '%1' in '%2'").arg(itemText, listName));
        return nullptr;
    }
    list->scrollToItem(found.first());
    return found.first();
}

bool ModalDialog::clickItem(const QString& listName, const QString& itemText)
{
    QListWidgetItem* item = listItem(listName, itemText);
    if (!item)
        return false;
    QListWidget* list = item->listWidget();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(item).center());
    return true;
}

bool ModalDialog::doubleClickItem(const QString& listName, const QString& itemText)
{
    QListWidgetItem* item = listItem(listName, itemText);
    if (!item)
        return false;
    // As a finger does it: a click, then the second press that the view reports as a double
    // click, then its release. The view may be gone after the double click (a dialog that
    // accepted and was deleted), so the release goes only to a view that still lives.
    const QPoint at = item->listWidget()->visualItemRect(item).center();
    QPointer<QWidget> viewport = item->listWidget()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    if (viewport)
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, at);
    return true;
}

void ModalDialog::accept()
{
    if (m_dialog)
        m_dialog->accept();
}

void ModalDialog::reject()
{
    if (m_dialog)
        m_dialog->reject();
}
