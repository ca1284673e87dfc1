#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

// Applies a Qt style sheet from a file to the application and re-applies it on a hot key.
class StyleLoader : public QObject
{
    Q_OBJECT

public:
    // Creates a loader owned by the application, installs it as the application's event filter
    // and applies the sheet once.
    static StyleLoader* attach(const QString& fileName, QKeySequence key);
    // The application's folder + "/style.qss".
    static QString defaultStyleFile();

    // Reads the file as UTF-8 and makes it the application's style sheet; a file that cannot be
    // opened leaves the sheet as it is.
    void setAppStyleSheet();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    StyleLoader(QObject* parent, const QString& fileName, QKeySequence key);

    QString m_fileName;
    QKeySequence m_key;
};
