#include "styleloader.h"

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QKeyEvent>

StyleLoader::StyleLoader(QObject* parent, const QString& fileName, QKeySequence key)
    : QObject(parent), m_fileName(fileName), m_key(key)
{
}

StyleLoader* StyleLoader::attach(const QString& fileName, QKeySequence key)
{
    auto* loader = new StyleLoader(qApp, fileName, key);
    qApp->installEventFilter(loader);
    loader->setAppStyleSheet();
    return loader;
}

QString StyleLoader::defaultStyleFile()
{
    return QApplication::applicationDirPath() + QStringLiteral("/style.qss");
}

void StyleLoader::setAppStyleSheet()
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "Cannot open stylesheet file " << m_fileName;
        return;
    }
    qApp->setStyleSheet(QString::fromUtf8(file.readAll()));
}

bool StyleLoader::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // The key with its modifiers, as one key sequence.
        if (QKeySequence(int(key->modifiers()) | key->key()) == m_key) {
            setAppStyleSheet();
            return true;
        }
        // Other keys go on to their widgets.
        return false;
    }
    return QObject::eventFilter(watched, event);
}
