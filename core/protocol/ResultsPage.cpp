#include "core/protocol/ResultsPage.h"

#include "core/marks/HandTimes.h"
#include "core/protocol/ExportedResults.h"

namespace {
// Platz, Name and Ges.Zeit stay in view on a narrow screen while the other columns scroll beneath
// them. Sticky cells need separate borders and a background of their own; Name sticks just right
// of Platz, so Platz has a fixed width in the table's em.
const char Style[] = R"(<style>
*{box-sizing:border-box}
body{font-family:Arial,"Liberation Sans",Helvetica,sans-serif;margin:1rem;color:#000;background:#fff}
h1{font-size:1.4rem;margin:0 0 .3rem}
h2{font-size:1.15rem;margin:1.5rem 0 .2rem}
.facts{margin:0 0 .5rem;padding:0;list-style:none}
.facts li{display:inline-block;margin-right:1.5rem}
.facts b{font-weight:bold}
.scroll{overflow-x:auto;-webkit-overflow-scrolling:touch}
table{border-collapse:separate;border-spacing:0;width:100%;font-size:.85rem}
table{border-top:1px solid #999;border-left:1px solid #999}
th,td{border-right:1px solid #999;border-bottom:1px solid #999;padding:2px 5px;white-space:nowrap;background:#fff}
th{background:#dde;font-weight:bold}
td.n,td.t{text-align:center}
tbody tr:nth-child(even) td{background:#f4f4f8}
.legend{font-size:.8rem;margin:.3rem 0}
.p,.nm,.g{position:sticky;z-index:1}
.p{left:0;width:3.6em;min-width:3.6em;max-width:3.6em}
.nm{left:3.6em;box-shadow:1px 0 0 #555}
.g{right:0;box-shadow:-1px 0 0 #555}
@media (max-width:600px){body{margin:.4rem}table{font-size:.75rem}th,td{padding:2px 3px}
td.nm{white-space:normal;min-width:6em;max-width:9em}}
@page{size:A4 landscape;margin:12mm}
@media print{
body{margin:0;font-size:9pt}
.scroll{overflow:visible}
table{font-size:8pt;width:100%}
.p,.nm,.g{position:static;box-shadow:none}
thead{display:table-header-group}
tr{page-break-inside:avoid;break-inside:avoid}
section+section{page-break-before:always;break-before:page}
}
</style>
)";

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// Headings are centred anyway; only the columns that stay in view need a class. The last column
// is the value that ranks, "Ges.Zeit" or "Bester Lauf".
QLatin1String headingClass(ListField column, ListField last)
{
    if (column == last)
        return QLatin1String(" class=\"g\"");
    switch (column) {
    case ListField::Place:
        return QLatin1String(" class=\"p\"");
    case ListField::Name:
        return QLatin1String(" class=\"nm\"");
    default:
        return QLatin1String();
    }
}

QLatin1String cellClass(ListField column, ListField last)
{
    if (column == last)
        return QLatin1String(" class=\"t g\"");
    switch (column) {
    case ListField::Place:
        return QLatin1String(" class=\"n p\"");
    case ListField::Name:
        return QLatin1String(" class=\"nm\"");
    case ListField::Age:
        return QLatin1String(" class=\"n\"");
    default:
        break;
    }
    switch (resultColumnKind(column)) {
    case ResultKind::Time:
        return QLatin1String(" class=\"t\"");
    case ResultKind::WholeNumber:
        return QLatin1String(" class=\"n\"");
    case ResultKind::Text:
        break;
    }
    return QLatin1String();
}

void appendClass(QString &out, const ResultsDocument &document, const ClassResults &results)
{
    out += QStringLiteral("<section>\n<h2>%1</h2>\n<ul class=\"facts\"><li><b>Klasse:</b> %1</li>"
                          "<li><b>Datum:</b> %2</li><li><b>Strafsekunden FP/FS:</b> %3</li>"
                          "<li><b>Wertung:</b> %4</li></ul>\n")
               .arg(escaped(results.className), escaped(document.dateText()), escaped(document.penaltySecondsText()),
                    escaped(document.scoringText));
    out += QStringLiteral("<div class=\"scroll\"><table>\n<thead><tr>");
    const std::vector<ListField> columns = document.columns();
    const ListField last = columns.back();
    for (const ListField column : columns) {
        out += QStringLiteral("<th");
        out += headingClass(column, last);
        out += QLatin1Char('>') + escaped(document.heading(column)) + QStringLiteral("</th>");
    }
    out += QStringLiteral("</tr></thead>\n<tbody>\n");
    for (const ResultLine *line : exportedLines(results)) {
        out += QStringLiteral("<tr>");
        for (const ListField column : columns) {
            out += QStringLiteral("<td");
            out += cellClass(column, last);
            out += QLatin1Char('>');
            out += escaped(exportedText(*line, column));
            out += QStringLiteral("</td>");
        }
        out += QStringLiteral("</tr>\n");
    }
    out += QStringLiteral("</tbody>\n</table></div>\n");
    if (hasHandTimes(results))
        out += QStringLiteral("<p class=\"legend\">%1</p>\n").arg(escaped(handTimeLegend()));
    for (const QString &note : results.notes)
        out += QStringLiteral("<p class=\"legend\">%1</p>\n").arg(escaped(note));
    if (!results.clubs.empty()) {
        out += QStringLiteral("<h3>%1</h3>\n<div class=\"scroll\"><table>\n<thead><tr><th>Platz</th><th>%2</th>"
                              "<th>Summe</th><th>Gewertete Fahrer</th></tr></thead>\n<tbody>\n")
                   .arg(escaped(clubRankingTitle(results.clubBest)), escaped(results.clubTitle));
        for (const ClubStanding &club : results.clubs)
            out += QStringLiteral(
                       "<tr><td class=\"n\">%1</td><td>%2</td><td class=\"n\">%3</td><td class=\"n\">%4</td></tr>\n")
                       .arg(club.place > 0 ? QString::number(club.place) : QString(), escaped(club.club),
                            clubTotalText(club))
                       .arg(countedDrivers(club, results.clubBest));
        out += QStringLiteral("</tbody>\n</table></div>\n");
    }
    out += QStringLiteral("</section>\n");
}
} // namespace

QByteArray resultsPage(const ResultsDocument &document)
{
    QString out;
    std::size_t lines = 0;
    for (const ClassResults &results : document.classes)
        lines += results.lines.size();
    out.reserve(qsizetype(4096 + lines * 400));
    const QString title = escaped(document.title());
    out += QStringLiteral("<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                          "<title>%1</title>\n")
               .arg(title);
    out += QLatin1String(Style);
    out += QStringLiteral("</head>\n<body>\n<h1>%1</h1>\n").arg(title);
    for (const ClassResults &results : document.classes)
        appendClass(out, document, results);
    out += QStringLiteral("</body>\n</html>\n");
    return out.toUtf8();
}
