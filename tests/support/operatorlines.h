#pragma once

#include <QString>
#include <QStringList>

// Follows an operator log file: the lines written since the last call, without their
// "[hh:mm:ss] " stamps.
class OperatorLines
{
public:
    explicit OperatorLines(const QString& fileName) : m_fileName(fileName) {}

    // Every line of the file, stamps removed.
    QStringList all() const;
    // The lines added since the previous call of fresh() (or since construction: all of them).
    QStringList fresh();
    // Forgets the lines written so far.
    void skip() { m_seen = all().size(); }

private:
    QString m_fileName;
    int m_seen = 0;
};
