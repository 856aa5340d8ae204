#include "core/marks/RunMarks.h"

#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/CheckedSave.h"
#include "core/system/Clock.h"
#include "core/system/DataFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace {
const QByteArray FileTag("[ZVX1MARKS]");
const QByteArray EndTag("[ZVX1END]");

struct MarkCode
{
    RunMark mark;
    const char *code;
    const char *text;
};
constexpr MarkCode Codes[] = {
    {RunMark::NotStarted, "NA", "n.a."},
    {RunMark::DidNotFinish, "DNF", "DNF"},
    {RunMark::Disqualified, "DSQ", "DSQ"},
};

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c != QLatin1Char('\r'))
            out += c;
    }
    return out;
}

std::optional<QString> unescaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('\\')) {
            out += text[i];
            continue;
        }
        if (++i >= text.size())
            return std::nullopt;
        if (text[i] == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else if (text[i] == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (text[i] == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else
            return std::nullopt;
    }
    return out;
}
// Moves the file to the first free name of base, base2, base3 ...; the name, or empty when it failed.
QString moveToFreeName(const QString &path, const QString &base)
{
    constexpr int MaxNames = 100;
    for (int n = 1; n <= MaxNames; ++n) {
        const QString candidate = n == 1 ? base : base + QString::number(n);
        if (QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink())
            continue;
        return QFile::rename(path, candidate) ? candidate : QString();
    }
    return QString();
}

bool hasBytes(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() != bytes.size())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
}
} // namespace

QString runMarkText(RunMark mark)
{
    for (const MarkCode &code : Codes) {
        if (code.mark == mark)
            return QString::fromLatin1(code.text);
    }
    return QString();
}

ClassMarks::Key ClassMarks::keyOf(const StartListEntry &entry)
{
    return {entry.texts[std::size_t(textSlot(ListField::StartNr))].trimmed(),
            entry.texts[std::size_t(textSlot(ListField::Name))].trimmed()};
}

MarkedRun ClassMarks::mark(const StartListEntry &entry, int run) const
{
    const auto found = m_marks.find(keyOf(entry));
    return found == m_marks.end() ? MarkedRun {} : found->second.run(run);
}

void ClassMarks::setMark(const StartListEntry &entry, int run, MarkedRun mark)
{
    if (mark.mark == RunMark::None)
        mark.reason.clear();
    // Only a disqualification has a reason; a reason is one line.
    if (mark.mark != RunMark::Disqualified)
        mark.reason.clear();
    mark.reason = mark.reason.simplified();
    EntryMarks &marks = m_marks[keyOf(entry)];
    marks.runs[run == 1 ? 0 : 1] = std::move(mark);
    if (!marks.any())
        m_marks.erase(keyOf(entry));
}

std::vector<EntryMarks> ClassMarks::forEntries(const StartList::Entries &entries) const
{
    std::vector<EntryMarks> result(entries.size());
    if (m_marks.empty())
        return result;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto found = m_marks.find(keyOf(entries[i]));
        if (found != m_marks.end())
            result[i] = found->second;
    }
    return result;
}

QByteArray ClassMarks::toBytes() const
{
    QString text = QString::fromLatin1(FileTag) + QStringLiteral("\r\n");
    for (const auto &[key, marks] : m_marks) {
        for (int run = 1; run <= 2; ++run) {
            const MarkedRun &marked = marks.run(run);
            for (const MarkCode &code : Codes) {
                if (code.mark != marked.mark)
                    continue;
                text += QStringLiteral("%1\t%2\t%3\t%4\t%5\r\n")
                            .arg(run)
                            .arg(QLatin1String(code.code), escaped(key.first), escaped(key.second),
                                 escaped(marked.reason));
            }
        }
    }
    text += QString::fromLatin1(EndTag) + QStringLiteral("\r\n");
    return text.toUtf8();
}

Result<ClassMarks> ClassMarks::fromBytes(const QByteArray &bytes, const QString &path)
{
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const auto damaged = [&path](int number, const QString &why) {
        return FileError {path,
                          QStringLiteral("Die Markierungsdatei ist beschädigt: Zeile %1 %2.").arg(number).arg(why)};
    };
    if (lines.isEmpty() || lines.first() != FileTag)
        return damaged(1, QStringLiteral("ist nicht %1").arg(QLatin1String(FileTag)));
    if (lines.size() < 2 || lines.last() != EndTag)
        return damaged(int(lines.size()),
                       QStringLiteral("ist nicht %1, die Datei ist abgeschnitten").arg(QLatin1String(EndTag)));

    ClassMarks marks;
    for (int n = 1; n + 1 < lines.size(); ++n) {
        const QStringList fields = QString::fromUtf8(lines[n]).split(QLatin1Char('\t'));
        const MarkCode *code = nullptr;
        for (const MarkCode &candidate : Codes) {
            if (fields.size() == 5 && fields[1] == QLatin1String(candidate.code))
                code = &candidate;
        }
        const std::optional<QString> startNr = fields.size() == 5 ? unescaped(fields[2]) : std::nullopt;
        const std::optional<QString> name = fields.size() == 5 ? unescaped(fields[3]) : std::nullopt;
        const std::optional<QString> reason = fields.size() == 5 ? unescaped(fields[4]) : std::nullopt;
        if (!code || (fields[0] != QLatin1String("1") && fields[0] != QLatin1String("2")) || !startNr || !name
            || !reason)
            return damaged(n + 1, QStringLiteral("ist keine Markierung"));
        EntryMarks &entry = marks.m_marks[{*startNr, *name}];
        entry.runs[fields[0] == QLatin1String("1") ? 0 : 1] = {code->mark, *reason};
    }
    return marks;
}

QString MarksPath(int classIndex)
{
    return dataFolder() + QStringLiteral("List%1.marks").arg(classIndex, 2, 10, QLatin1Char('0'));
}

MarksLoad readMarksFile(const QString &path)
{
    MarksLoad load;
    const QFileInfo info(path);
    if (!info.exists())
        return load;
    QByteArray bytes;
    std::optional<FileError> failure;
    QFile file(path);
    if (info.isFile() && info.size() > MaxMarksFileSize) {
        // Not read and not copied: moved aside at once, whatever its size.
        const QString kept = moveToFreeName(path, path + QStringLiteral(".bak"));
        load.problem = FileError {
            path,
            QStringLiteral("Die Markierungsdatei ist beschädigt: sie ist größer als 1 MiB.\n")
                + (kept.isEmpty()
                       ? QStringLiteral("Sie konnte nicht beiseitegelegt werden.")
                       : QStringLiteral("Die Datei wurde als %1 aufbewahrt.").arg(QDir::toNativeSeparators(kept)))};
        if (kept.isEmpty())
            load.bytes = QByteArray();
        return load;
    }
    if (!info.isFile())
        failure = FileError {path, QStringLiteral("Die Markierungsdatei ist keine gewöhnliche Datei.")};
    else if (!file.open(QIODevice::ReadOnly))
        failure = fileError(path, info.isReadable() ? EIO : EACCES);
    else
        load.bytes = bytes = file.readAll();
    if (!failure) {
        Result<ClassMarks> parsed = ClassMarks::fromBytes(bytes, path);
        if (parsed) {
            load.marks = parsed.value();
            return load;
        }
        failure = parsed.error();
    }
    const QString copy = ClassStore::keepOriginal(path);
    failure->reason += QLatin1Char('\n')
        + (copy.isEmpty() ? QStringLiteral("Es konnte keine Kopie angelegt werden.")
                          : QStringLiteral("Die Datei wurde als %1 aufbewahrt.").arg(QDir::toNativeSeparators(copy)));
    load.problem = failure;
    return load;
}

FileResult writeMarksFileOver(const ClassMarks &marks, const QString &path, const std::optional<QByteArray> &known,
                              QString &keptAs)
{
    keptAs.clear();
    const QFileInfo info(path);
    // A file deleted meanwhile has nothing to keep.
    if ((info.exists() || info.isSymLink()) && !(known && hasBytes(path, *known))) {
        const QString stamp = Clock::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        keptAs = moveToFreeName(path, path + QStringLiteral(".edited-") + stamp);
        if (keptAs.isEmpty())
            return FileError {path,
                              QStringLiteral("Die Markierungsdatei wurde außerhalb des Programms geändert und "
                                             "konnte nicht beiseitegelegt werden; sie wird nicht überschrieben.")};
    }
    return writeMarksFile(marks, path);
}

FileResult writeMarksFile(const ClassMarks &marks, const QString &path)
{
    const QByteArray bytes = marks.toBytes();
    CheckedSave file(path);
    if (FileResult opened = file.open(); !opened)
        return opened;
    file.write(bytes.constData(), bytes.size());
    return file.commit();
}
