#pragma once

#include "store/ForeignTable.h"
#include "store/StoreError.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QString>
#include <QTest>

#include <utility>

namespace formats_test {

using namespace Qt::StringLiterals;

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

inline bool writeBytes(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

// Every live row of a foreign table, with its record number.
inline QList<std::pair<qint64, QVariantList>> readRows(store::ForeignTable& table)
{
    QList<std::pair<qint64, QVariantList>> rows;
    table.readAll([&](qint64 recno, const QVariantList& values) { rows.append({ recno, values }); });
    return rows;
}

// The message of the StoreError that `action` throws; empty when it throws none.
template <typename F> QString storeErrorOf(F&& action)
{
    try {
        action();
    } catch (const store::StoreError& e) {
        return e.message().isEmpty() ? u"(empty message)"_s : e.message();
    }
    return {};
}

// Runs a program and returns its standard output; fails the test on a non-zero exit.
inline QByteArray run(const QString& program, const QStringList& args, const QByteArray& input = {})
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        QTest::qFail(qPrintable(u"cannot start %1"_s.arg(program)), __FILE__, __LINE__);
        return {};
    }
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        QTest::qFail(
            qPrintable(u"%1 failed: %2"_s.arg(program, QString::fromLocal8Bit(p.readAllStandardError()))),
            __FILE__, __LINE__);
        return {};
    }
    return p.readAllStandardOutput();
}

inline QString sourceFile(const QString& relative)
{
    return qEnvironmentVariable("VELTO_SOURCE_DIR", QStringLiteral(VELTO_SOURCE_DIR_DEFAULT)) + u'/'
        + relative;
}

// One value as px_fixture_gen reads it: \N for null, escapes for tab, line break, backslash.
inline QString layoutValue(const QVariant& v)
{
    if (v.isNull()) return u"\\N"_s;
    switch (v.typeId()) {
    case QMetaType::QDate:
        return v.toDate().toString(Qt::ISODate);
    case QMetaType::Bool:
        return v.toBool() ? u"T"_s : u"F"_s;
    case QMetaType::Double:
        // The shortest text that reads back exactly: a BCD field takes the digits as written.
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    default: {
        QString s = v.toString();
        s.replace(u'\\', u"\\\\"_s).replace(u'\t', u"\\t"_s).replace(u'\n', u"\\n"_s);
        return s;
    }
    }
}

// Writes `path` (and its .mb) with pxlib: `fields` as px_fixture_gen reads them, text in
// `codePage`, encrypted when a password is given.
inline void writeParadox(const QString& path, int version, const QString& fields,
    const QList<QVariantList>& rows, int codePage = 936, const QString& password = {})
{
    QString input = fields + u'\n';
    for (const QVariantList& row : rows) {
        QStringList cells;
        for (const QVariant& v : row)
            cells << layoutValue(v);
        input += cells.join(u'\t') + u'\n';
    }
    QStringList args = { path, QString::number(version), QString::number(codePage) };
    if (!password.isEmpty()) args << password;
    run(QStringLiteral(PX_FIXTURE_GEN), args, input.toUtf8());
}

} // namespace formats_test
