#include "core/live/LivePages.h"

#include "core/marks/HandTimes.h"
#include "core/protocol/ProtocolModel.h"
#include "core/timing/PerfTimer.h"

#include <algorithm>
#include <charconv>

namespace {
// Narrow screens drop the columns marked "w"; the board uses large type throughout.
const char *const Style = R"CSS(
*{box-sizing:border-box}body{margin:0;font:16px/1.35 system-ui,-apple-system,"Segoe UI",Roboto,Arial,sans-serif;color:#111;background:#f4f5f7}
header{background:#13315c;color:#fff;padding:8px 12px}header a{color:#fff;margin-right:14px}h1{font-size:1.3em;margin:0}
main{padding:8px 12px;max-width:1800px;margin:auto}table{border-collapse:collapse;width:100%;background:#fff}
th,td{padding:5px 6px;border-bottom:1px solid #dde;text-align:left;white-space:nowrap}th{background:#e6e9ef;font-size:.85em}
td.n,th.n{text-align:right;font-variant-numeric:tabular-nums}tr.oc{background:#fff3b0}.box{background:#fff;padding:10px 12px;margin:8px 0;border-left:6px solid #13315c}
.h{font-size:.7em;vertical-align:super;margin-left:2px}.big{font-size:2em;font-weight:700;font-variant-numeric:tabular-nums}.rt{color:#b00000}.m{color:#666;font-size:.9em}.err{color:#b00000}
.tw{overflow-x:auto}.r td:first-child,.r td:nth-last-child(-n+5),.r.b td:nth-last-child(6){text-align:right;font-variant-numeric:tabular-nums}
@media(max-width:700px){.wide td:nth-child(n+4):nth-child(-n+7),.wide th:nth-child(n+4):nth-child(-n+7),.p{display:none}th,td{padding:4px 3px}body{font-size:14px}.r td:nth-child(2),.r th:nth-child(2){display:none}
.r td:nth-child(3){white-space:normal;overflow-wrap:anywhere}}
body.board{background:#000;color:#fff;font-size:2.6vw;font-size:min(2.6vw,3.2vh)}body.board th,body.board td{padding:.12em .4em}.board .p{display:none}body.board table{background:#000}body.board th{background:#222;color:#ccc;font-size:.7em}
body.board td{border-color:#333}body.board .box{background:#111;border-color:#ffb000}body.board tr.oc{background:#443800}body.board tr.oc .rt{color:#ff9d9d}
body.board header{display:none}.rot{display:none}.rot.on{display:block}
)CSS";

// Old browsers without sockets or JSON poll; a socket that closes falls back to polling and tries again.
const char *const Script = R"JS(
(function(){var b=document.body,ver=+b.getAttribute('data-v'),skew=0,poll=null,rot=0;
function sk(n){if(n)skew=new Date().getTime()-n}
function two(x){return(x<10?'0':'')+x}
function fmt(ms){if(ms<0)ms=0;var t=Math.floor(ms/100);return two(Math.floor(t/600))+':'+two(Math.floor(t/10)%60)+'.'+(t%10)}
function tick(){var a=document.getElementsByTagName('span');for(var i=0;i<a.length;i++){var s=a[i].getAttribute('data-start');if(s)a[i].innerHTML=fmt(new Date().getTime()-skew-s)}}
function show(){var a=[],e=document.getElementsByTagName('section');for(var i=0;i<e.length;i++)if(e[i].className.indexOf('rot')>=0)a.push(e[i]);
for(i=0;i<a.length;i++)a[i].className=i==rot%a.length?'rot on':'rot'}
function load(){var x=new XMLHttpRequest();x.open('GET',location.pathname+location.search,true);
x.onreadystatechange=function(){if(x.readyState!=4||x.status!=200)return;var t=x.responseText,p=t.indexOf('<!--m-->'),q=t.indexOf('<!--/m-->');
if(p>=0&&q>p)document.getElementById('m').innerHTML=t.substring(p+8,q);sk(+x.getResponseHeader('X-Now'));
var n=/data-v="(\d+)"/.exec(t);if(n)ver=+n[1];show();tick()};x.send()}
function startPoll(){if(!poll)poll=setInterval(load,2000)}
function connect(){if(!window.WebSocket||!window.JSON){startPoll();return}var w;try{w=new WebSocket('ws://'+location.host+'/ws')}catch(e){startPoll();return}
w.onopen=function(){if(poll){clearInterval(poll);poll=null}};
w.onmessage=function(e){try{var d=JSON.parse(e.data);sk(d.now);if(d.version!=ver){ver=d.version;load()}}catch(x){}};
w.onclose=function(){startPoll();setTimeout(connect,10000)}}
var takt=+b.getAttribute('data-takt');if(takt)setInterval(function(){rot++;show()},takt*1000);
show();tick();setInterval(tick,100);connect()})();
)JS";

// The page as UTF-8, written once per snapshot: texts are escaped on the way in, numbers written directly.
class Html
{
public:
    Html() { m_out.reserve(16 * 1024); }
    Html &operator<<(const char *text)
    {
        m_out.append(text);
        return *this;
    }
    Html &operator<<(const QByteArray &bytes)
    {
        m_out.append(bytes);
        return *this;
    }
    Html &operator<<(char c)
    {
        m_out.append(c);
        return *this;
    }
    Html &operator<<(std::int64_t n)
    {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
        m_out.append(digits, end - digits);
        return *this;
    }
    Html &operator<<(int n) { return *this << std::int64_t(n); }
    // Escapes & < > " and ' for text and attribute values alike.
    Html &text(QStringView text)
    {
        qsizetype wide = -1; // start of a run of non-ASCII characters
        for (qsizetype i = 0; i <= text.size(); ++i) {
            const char16_t c = i < text.size() ? text[i].unicode() : u'\0';
            if (c >= 0x80) {
                if (wide < 0)
                    wide = i;
                continue;
            }
            if (wide >= 0) {
                m_out.append(text.sliced(wide, i - wide).toUtf8());
                wide = -1;
            }
            if (i == text.size())
                break;
            switch (c) {
            case '&':
                m_out.append("&amp;");
                break;
            case '<':
                m_out.append("&lt;");
                break;
            case '>':
                m_out.append("&gt;");
                break;
            case '"':
                m_out.append("&quot;");
                break;
            case '\'':
                m_out.append("&#39;");
                break;
            default:
                m_out.append(char(c));
            }
        }
        return *this;
    }
    QByteArray take() { return std::move(m_out); }

private:
    QByteArray m_out;
};

void pageStart(Html &h, const LiveSnapshot &s, const QString &title, const char *bodyExtra = "")
{
    const auto heading = [&] {
        if (const QString event = s.eventText(); !event.isEmpty())
            h.text(event) << " \u2013 ";
        h.text(title);
    };
    h << "<!DOCTYPE html><html lang=\"de\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\"><title>";
    heading();
    h << "</title><noscript><meta http-equiv=\"refresh\" content=\"5\"></noscript><style>" << Style
      << "</style></head><body data-v=\"" << std::int64_t(s.version) << '"' << bodyExtra << "><header><h1>";
    heading();
    h << "</h1><nav><a href=\"/\">Klassen</a><a href=\"/sprecher\">Sprecher</a>"
         "<a href=\"/anzeige\">Anzeige</a></nav></header><main id=\"m\"><!--m-->";
}

QByteArray pageEnd(Html &h)
{
    h << "<!--/m--></main><script>" << Script << "</script></body></html>";
    return h.take();
}

void runningTime(Html &h, const LiveSnapshot &s)
{
    h << "<span class=\"rt\" data-start=\"" << s.onCourse.startEpochMs << "\">00:00.0</span>";
}

void who(Html &h, const LiveClass &c, int row)
{
    h.text(c.text(row, ListField::Name));
    if (const QString &startNr = c.text(row, ListField::StartNr); !startNr.isEmpty()) {
        h << " <span class=\"m\">(";
        h.text(startNr) << ")</span>";
    }
}

// The class's runner's row, if the run on course belongs to it; -1 otherwise.
int onCourseIn(const LiveSnapshot &s, const LiveClass &c)
{
    return s.running && s.onCourse.classIndex == c.index ? c.rowOf(s.onCourse.number) : -1;
}

void timeText(Html &h, std::optional<std::int32_t> time)
{
    if (time)
        h.text(formatCellTime(*time));
}

// Rows leave their cells' end tags out, as HTML allows, and the style sheet aligns and hides whole
// columns: a class of 300 stays well under 100 KB. A mark's reason goes beneath the table, so
// every time cell keeps the width of a time.
void resultsTable(Html &h, const LiveSnapshot &s, const LiveClass &c, int limit, bool wide)
{
    const int runner = onCourseIn(s, c);
    const bool best = s.rules.scoring == ScoringMode::BestRun;
    bool anyHand = false;
    const QString handMark = handTimeMark();
    h << "<div class=\"tw\"><table class=\"r" << (wide ? " wide" : "") << (best ? " b" : "")
      << "\"><tr><th>Platz<th>Nr.<th>Name";
    if (wide) {
        h << "<th>Alter";
        for (const QString &title : s.rules.infoTitles) {
            h << "<th>";
            h.text(title);
        }
    }
    h << "<th>Lauf 1<th class=p>FP/FS<th>Lauf 2<th class=p>FP/FS<th>Ges.Zeit" << (best ? "<th>Bester Lauf" : "");
    QStringList notes;
    int shown = 0;
    for (const int row : c.standings.order) {
        if (limit > 0 && shown++ >= limit)
            break;
        const EntryStanding &e = c.standing(row);
        h << (row == runner ? "\n<tr class=\"oc\"><td>" : "\n<tr><td>");
        if (e.place > 0)
            h << e.place;
        else
            h.text(runMarkText(e.mark));
        h << "<td>";
        h.text(c.text(row, ListField::StartNr)) << "<td>";
        h.text(c.text(row, ListField::Name));
        if (wide) {
            for (const ListField field : {ListField::Age, ListField::Info1, ListField::Info2, ListField::Info3}) {
                h << "<td>";
                h.text(c.text(row, field));
            }
        }
        for (int run = 1; run <= 2; ++run) {
            const RunStanding &driven = e.run(run);
            h << "<td>";
            if (row == runner && s.onCourse.run == run)
                runningTime(h, s);
            else if (driven.mark.mark != RunMark::None) {
                h.text(runMarkText(driven.mark.mark));
                if (!driven.mark.reason.isEmpty())
                    notes << QStringLiteral("%1, Lauf %2: %3 \u2013 %4")
                                 .arg(c.text(row, ListField::Name).trimmed())
                                 .arg(run)
                                 .arg(runMarkText(driven.mark.mark), driven.mark.reason);
            } else if (driven.time == 0)
                h << "\u2013";
            else {
                h.text(formatCellTime(driven.time));
                if (driven.hand) {
                    anyHand = true;
                    h << "<small class=\"h\">";
                    h.text(handMark) << "</small>";
                }
            }
            h << "<td class=p>" << driven.fp << '/' << driven.fs;
        }
        h << "<td>";
        timeText(h, e.total);
        if (best) {
            h << "<td>";
            timeText(h, e.rankValue ? std::optional<std::int32_t>(std::int32_t(*e.rankValue)) : std::nullopt);
        }
    }
    h << "</table></div>";
    for (const QString &note : std::as_const(notes)) {
        h << "<p class=\"m note\">";
        h.text(note) << "</p>";
    }
    if (anyHand) {
        h << "<p class=\"m\">";
        h.text(handTimeLegend()) << "</p>";
    }
}

void onCourseBox(Html &h, const LiveSnapshot &s, const LiveClass &c)
{
    const int runner = onCourseIn(s, c);
    if (runner < 0)
        return;
    h << "<div class=\"box\">auf der Strecke: <b>";
    who(h, c, runner);
    h << "</b>, Lauf " << s.onCourse.run << " <span class=\"big\">";
    runningTime(h, s);
    h << "</span></div>";
}

// Behind the leader by the value that ranks; a driver without a place yet is measured against the
// best time of the run.
QString gapText(const LiveClass &c, int row, int run, std::int32_t time)
{
    const EntryStanding &e = c.standing(row);
    if (e.place == 1)
        return QStringLiteral("Führung");
    if (e.place > 1 && e.gap)
        return QStringLiteral("+") + FormatTime(TimeMs(*e.gap)) + QStringLiteral(" auf Platz 1");
    std::int32_t best = 0;
    for (const EntryStanding &other : c.standings.entries) {
        const RunStanding &driven = other.run(run);
        if (driven.time > 0 && driven.mark.mark == RunMark::None && (best == 0 || driven.time < best))
            best = driven.time;
    }
    if (best == 0 || time <= best)
        return QStringLiteral("Bestzeit Lauf %1").arg(run);
    return QStringLiteral("+%1 auf die Bestzeit in Lauf %2").arg(FormatTime(TimeMs(time) - best)).arg(run);
}
} // namespace

QByteArray liveIndexPage(const LiveSnapshot &s)
{
    Html h;
    pageStart(h, s, QStringLiteral("Live-Ergebnisse"));
    if (s.running) {
        if (const LiveClass *c = s.classAt(s.onCourse.classIndex))
            onCourseBox(h, s, *c);
    }
    h << "<div class=\"tw\"><table><tr><th>Klasse</th><th class=\"n\">Starter</th>"
         "<th class=\"n\">fertig</th><th class=\"n\">noch zu fahren</th></tr>";
    for (const LiveClass &c : s.classes) {
        h << (c.index == s.currentClass ? "<tr class=\"oc\">" : "<tr>") << "<td><a href=\"/klasse/" << c.index << "\">";
        h.text(c.name) << "</a></td><td class=\"n\">" << c.entryCount() << "</td><td class=\"n\">" << c.doneCount()
                       << "</td><td class=\"n\">" << c.toRunCount() << "</td></tr>";
    }
    h << "</table></div><p class=\"m\">Diese Seite hält sich selbst auf dem Laufenden.</p>";
    return pageEnd(h);
}

QByteArray liveClassPage(const LiveSnapshot &s, int classIndex)
{
    const LiveClass &c = *s.classAt(classIndex);
    Html h;
    pageStart(h, s, c.name);
    onCourseBox(h, s, c);
    if (!c.error.isEmpty()) {
        h << "<p class=\"err\">";
        h.text(c.error) << "</p>";
    }
    h << "<p>" << c.entryCount() << " Starter, " << c.doneCount() << " fertig, <b>noch zu fahren: " << c.toRunCount()
      << "</b></p>";
    resultsTable(h, s, c, 0, true);
    bool first = true;
    for (const int row : c.standings.toRun) {
        h << (first ? "<p><b>noch zu fahren in Lauf " : ", ");
        if (first)
            h << c.run << ":</b> ";
        h.text(c.text(row, ListField::Name));
        first = false;
    }
    if (!first)
        h << "</p>";
    return pageEnd(h);
}

QByteArray liveAnnouncerPage(const LiveSnapshot &s)
{
    Html h;
    pageStart(h, s, QStringLiteral("Sprecher"));
    const LiveClass *current = s.classAt(s.running ? s.onCourse.classIndex : s.currentClass);
    if (const int runner = s.running && current ? current->rowOf(s.onCourse.number) : -1; runner >= 0) {
        h << "<div class=\"box\">Auf der Strecke: <span class=\"big\">";
        who(h, *current, runner);
        h << "</span><br>";
        h.text(current->name) << ", Lauf " << s.onCourse.run << " <span class=\"big\">";
        runningTime(h, s);
        h << "</span></div>";
    } else {
        h << "<div class=\"box\">Niemand auf der Strecke.</div>";
    }
    const LiveClass *ahead = s.classAt(s.currentClass);
    if (const int next = s.nextUp(); ahead && next >= 0) {
        h << "<div class=\"box\">Als Nächstes: <b>";
        who(h, *ahead, next);
        h << "</b></div>";
    }
    const LiveClass *lastClass = s.classAt(s.lastFinish.classIndex);
    if (const int last = lastClass ? lastClass->rowOf(s.lastFinish.number) : -1; last >= 0) {
        const int run = s.lastFinish.run;
        const EntryStanding &e = lastClass->standing(last);
        h << "<div class=\"box\">Zuletzt im Ziel: <b>";
        who(h, *lastClass, last);
        h << "</b>, Lauf " << run << "<br><span class=\"big\">";
        h.text(FormatTime(s.lastFinish.timeMs)) << "</span> ";
        if (e.place > 0)
            h << "<b>Platz " << e.place << "</b>";
        else if (e.mark != RunMark::None)
            h.text(runMarkText(e.mark));
        else
            h << "noch ohne Platz";
        h << " &middot; FP " << e.run(run).fp << ", FS " << e.run(run).fs << "<br>";
        h.text(gapText(*lastClass, last, run, s.lastFinish.timeMs)) << "</div>";
    }
    if (current) {
        h << "<p>";
        h.text(current->name) << ": " << current->entryCount()
                              << " Starter, <b>noch zu fahren: " << current->toRunCount() << "</b></p>";
        resultsTable(h, s, *current, 10, false);
    }
    return pageEnd(h);
}

QByteArray liveBoardPage(const LiveSnapshot &s, const QList<int> &classes, int seconds)
{
    QList<int> shown;
    for (int index : classes) {
        if (s.classAt(index) && !shown.contains(index))
            shown << index;
    }
    if (shown.isEmpty()) {
        for (const LiveClass &c : s.classes) {
            if (c.entryCount() > 0)
                shown << c.index;
        }
    }
    Html h;
    const QByteArray extra = " class=\"board\" data-takt=\"" + QByteArray::number(std::clamp(seconds, 3, 600)) + '"';
    pageStart(h, s, QStringLiteral("Anzeige"), extra.constData());
    for (int index : std::as_const(shown)) {
        const LiveClass &c = *s.classAt(index);
        h << "<section class=\"rot\"><h1>";
        h.text(c.name) << " <span class=\"m\">noch zu fahren: " << c.toRunCount() << "</span></h1>";
        onCourseBox(h, s, c);
        // Large type holds about fifteen lines; the board keeps the top of the class.
        resultsTable(h, s, c, 15, false);
        h << "</section>";
    }
    if (shown.isEmpty())
        h << "<p>Noch keine Starter.</p>";
    return pageEnd(h);
}
