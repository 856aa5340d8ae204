#include "core/live/LivePages.h"

#include "core/marks/HandTimes.h"
#include "core/timing/PerfTimer.h"

#include <algorithm>

namespace {
// Narrow screens drop the columns marked "w"; the board uses large type throughout.
const char *const Style = R"CSS(
*{box-sizing:border-box}body{margin:0;font:16px/1.35 system-ui,-apple-system,"Segoe UI",Roboto,Arial,sans-serif;color:#111;background:#f4f5f7}
header{background:#13315c;color:#fff;padding:8px 12px}header a{color:#fff;margin-right:14px}h1{font-size:1.3em;margin:0}
main{padding:8px 12px;max-width:1800px;margin:auto}table{border-collapse:collapse;width:100%;background:#fff}
th,td{padding:5px 6px;border-bottom:1px solid #dde;text-align:left;white-space:nowrap}th{background:#e6e9ef;font-size:.85em}
td.n,th.n{text-align:right;font-variant-numeric:tabular-nums}tr.oc{background:#fff3b0}.box{background:#fff;padding:10px 12px;margin:8px 0;border-left:6px solid #13315c}
.h{font-size:.7em;vertical-align:super;margin-left:2px}.big{font-size:2em;font-weight:700;font-variant-numeric:tabular-nums}.rt{color:#b00000}.m{color:#666;font-size:.9em}.err{color:#b00000}
.tw{overflow-x:auto}.r td:first-child,.r td:nth-last-child(-n+5){text-align:right;font-variant-numeric:tabular-nums}
@media(max-width:700px){.wide td:nth-child(n+4):nth-child(-n+7),.wide th:nth-child(n+4):nth-child(-n+7),.r td:nth-last-child(2),.r th:nth-last-child(2),.r td:nth-last-child(4),.r th:nth-last-child(4){display:none}th,td{padding:4px 3px}body{font-size:14px}.r td:nth-child(2),.r th:nth-child(2){display:none}
.r td:nth-child(3){white-space:normal;overflow-wrap:anywhere}}
body.board{background:#000;color:#fff;font-size:2.6vw;font-size:min(2.6vw,3.2vh)}body.board th,body.board td{padding:.12em .4em}.board .r td:nth-last-child(2),.board .r th:nth-last-child(2),.board .r td:nth-last-child(4),.board .r th:nth-last-child(4){display:none}body.board table{background:#000}body.board th{background:#222;color:#ccc;font-size:.7em}
body.board td{border-color:#333}body.board .box{background:#111;border-color:#ffb000}body.board tr.oc{background:#443800}body.board tr.oc .rt{color:#ff9d9d}
body.board header{display:none}.rot{display:none}.rot.on{display:block}
)CSS";

// Old browsers without sockets or JSON poll; a socket that closes falls back to polling and tries again.
const char *const Script = R"JS(
(function(){var b=document.body,ver=+b.getAttribute('data-v'),skew=0,poll=null,rot=0;
function sk(n){if(n)skew=new Date().getTime()-n}sk(+b.getAttribute('data-now'));
function two(x){return(x<10?'0':'')+x}
function fmt(ms){if(ms<0)ms=0;var t=Math.floor(ms/100);return two(Math.floor(t/600))+':'+two(Math.floor(t/10)%60)+'.'+(t%10)}
function tick(){var a=document.getElementsByTagName('span');for(var i=0;i<a.length;i++){var s=a[i].getAttribute('data-start');if(s)a[i].innerHTML=fmt(new Date().getTime()-skew-s)}}
function show(){var a=[],e=document.getElementsByTagName('section');for(var i=0;i<e.length;i++)if(e[i].className.indexOf('rot')>=0)a.push(e[i]);
for(i=0;i<a.length;i++)a[i].className=i==rot%a.length?'rot on':'rot'}
function load(){var x=new XMLHttpRequest();x.open('GET',location.pathname+location.search,true);
x.onreadystatechange=function(){if(x.readyState!=4||x.status!=200)return;var t=x.responseText,p=t.indexOf('<!--m-->'),q=t.indexOf('<!--/m-->');
if(p>=0&&q>p)document.getElementById('m').innerHTML=t.substring(p+8,q);var n=/data-now="(\d+)"/.exec(t);if(n)sk(+n[1]);
n=/data-v="(\d+)"/.exec(t);if(n)ver=+n[1];show();tick()};x.send()}
function startPoll(){if(!poll)poll=setInterval(load,2000)}
function connect(){if(!window.WebSocket||!window.JSON){startPoll();return}var w;try{w=new WebSocket('ws://'+location.host+'/ws')}catch(e){startPoll();return}
w.onopen=function(){if(poll){clearInterval(poll);poll=null}};
w.onmessage=function(e){try{var d=JSON.parse(e.data);sk(d.now);if(d.version!=ver){ver=d.version;load()}}catch(x){}};
w.onclose=function(){startPoll();setTimeout(connect,10000)}}
var takt=+b.getAttribute('data-takt');if(takt)setInterval(function(){rot++;show()},takt*1000);
show();tick();setInterval(tick,100);connect()})();
)JS";

QString page(const LiveSnapshot &s, const QString &title, const QString &content, std::int64_t now,
             const QString &bodyExtra = {})
{
    const QString heading
        = s.eventName.isEmpty() ? title : htmlEscaped(s.eventName) + QStringLiteral(" \u2013 ") + title;
    QString html;
    html.reserve(content.size() + 4096);
    html += QStringLiteral("<!DOCTYPE html><html lang=\"de\"><head><meta charset=\"utf-8\">"
                           "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\"><title>");
    html += heading;
    html += QStringLiteral("</title><noscript><meta http-equiv=\"refresh\" content=\"5\"></noscript><style>");
    html += QLatin1String(Style);
    html += QStringLiteral("</style></head><body data-v=\"%1\" data-now=\"%2\"%3><header><h1>")
                .arg(s.version)
                .arg(now)
                .arg(bodyExtra);
    html += heading;
    html += QStringLiteral("</h1><nav><a href=\"/\">Klassen</a><a href=\"/sprecher\">Sprecher</a>"
                           "<a href=\"/anzeige\">Anzeige</a></nav></header><main id=\"m\"><!--m-->");
    html += content;
    html += QStringLiteral("<!--/m--></main><script>");
    html += QLatin1String(Script);
    html += QStringLiteral("</script></body></html>");
    return html;
}

QString runningTime(const LiveSnapshot &s)
{
    return QStringLiteral("<span class=\"rt\" data-start=\"%1\">00:00.0</span>").arg(s.onCourse.startEpochMs);
}

// A marked run's text carries the reason the operator typed.
QString timeOrDash(std::int32_t time, const QString &text)
{
    return time == 0 ? QStringLiteral("\u2013") : htmlEscaped(text);
}

QString who(const LiveEntry &e)
{
    return e.startNr.isEmpty()
        ? htmlEscaped(e.name)
        : QStringLiteral("%1 <span class=\"m\">(%2)</span>").arg(htmlEscaped(e.name), htmlEscaped(e.startNr));
}

QString penaltiesOf(const LiveEntry &e, int run)
{
    const std::int32_t fp = run == 1 ? e.fp1 : e.fp2;
    const std::int32_t fs = run == 1 ? e.fs1 : e.fs2;
    return QStringLiteral("FP %1, FS %2").arg(fp).arg(fs);
}

// The class's runner, if the run on course belongs to it.
const LiveEntry *onCourseIn(const LiveSnapshot &s, const LiveClass &c)
{
    return s.running && s.onCourse.classIndex == c.index ? c.entryByNumber(s.onCourse.number) : nullptr;
}

// Rows leave their cells' end tags out, as HTML allows, and the style sheet aligns and hides whole
// columns: a class of 300 stays well under 100 KB.
QString resultsTable(const LiveSnapshot &s, const LiveClass &c, int limit, bool wide)
{
    const LiveEntry *runner = onCourseIn(s, c);
    bool anyHand = false;
    QString html = wide
        ? QStringLiteral("<div class=\"tw\"><table class=\"r wide\"><tr><th>Platz<th>Nr.<th>Name<th>Alter"
                         "<th>Info1<th>Info2<th>Info3")
        : QStringLiteral("<div class=\"tw\"><table class=\"r\"><tr><th>Platz<th>Nr.<th>Name");
    html += QStringLiteral("<th>Lauf 1<th>FP/FS<th>Lauf 2<th>FP/FS<th>Ges.Zeit");
    int shown = 0;
    for (const LiveEntry &e : c.lines) {
        if (limit > 0 && shown++ >= limit)
            break;
        html += &e == runner ? QStringLiteral("\n<tr class=\"oc\">") : QStringLiteral("\n<tr>");
        html += QStringLiteral("<td>%1<td>%2<td>%3")
                    .arg(e.place > 0 ? QString::number(e.place) : htmlEscaped(runMarkText(e.marks.heaviest())),
                         htmlEscaped(e.startNr), htmlEscaped(e.name));
        if (wide)
            html += QStringLiteral("<td>%1<td>%2<td>%3<td>%4")
                        .arg(htmlEscaped(e.age), htmlEscaped(e.info1), htmlEscaped(e.info2), htmlEscaped(e.info3));
        const auto runCell = [&](int run, std::int32_t time, const QString &text) -> QString {
            if (&e == runner && s.onCourse.run == run)
                return QStringLiteral("<td>") + runningTime(s);
            if (!e.handRuns[std::size_t(run - 1)])
                return QStringLiteral("<td>") + timeOrDash(time, text);
            anyHand = true;
            return QStringLiteral("<td>%1<small class=\"h\">%2</small>").arg(htmlEscaped(text), handTimeMark());
        };
        html += runCell(1, e.time1, e.time1Text);
        html += QStringLiteral("<td>%1/%2").arg(e.fp1).arg(e.fs1);
        html += runCell(2, e.time2, e.time2Text);
        html += QStringLiteral("<td>%1/%2").arg(e.fp2).arg(e.fs2);
        html += QStringLiteral("<td>%1").arg(e.place > 0 ? e.grandTotalText : QString());
    }
    html += QStringLiteral("</table></div>");
    if (anyHand)
        html += QStringLiteral("<p class=\"m\">%1</p>").arg(htmlEscaped(handTimeLegend()));
    return html;
}

QString onCourseBox(const LiveSnapshot &s, const LiveClass &c)
{
    const LiveEntry *runner = onCourseIn(s, c);
    if (!runner)
        return {};
    return QStringLiteral("<div class=\"box\">auf der Strecke: <b>%1</b>, Lauf %2 <span class=\"big\">%3</span></div>")
        .arg(who(*runner))
        .arg(s.onCourse.run)
        .arg(runningTime(s));
}

QString gapText(const LiveClass &c, const LiveEntry &e, int run, std::int32_t time)
{
    if (e.place > 0) {
        const LiveEntry *leader = c.leader();
        if (!leader || leader == &e || e.place == 1)
            return QStringLiteral("Führung");
        return QStringLiteral("+") + FormatTime(TimeMs(e.grandTotal) - leader->grandTotal)
            + QStringLiteral(" auf Platz 1");
    }
    std::int32_t best = 0;
    for (const LiveEntry &other : c.lines) {
        const std::int32_t t = other.runTime(run);
        if (t > 0 && (best == 0 || t < best))
            best = t;
    }
    if (best == 0 || time <= best)
        return QStringLiteral("Bestzeit Lauf %1").arg(run);
    return QStringLiteral("+%1 auf die Bestzeit in Lauf %2").arg(FormatTime(TimeMs(time) - best)).arg(run);
}
} // namespace

QString htmlEscaped(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar ch : text) {
        switch (ch.unicode()) {
        case '&':
            result += QLatin1String("&amp;");
            break;
        case '<':
            result += QLatin1String("&lt;");
            break;
        case '>':
            result += QLatin1String("&gt;");
            break;
        case '"':
            result += QLatin1String("&quot;");
            break;
        case '\'':
            result += QLatin1String("&#39;");
            break;
        default:
            result += ch;
        }
    }
    return result;
}

QByteArray liveIndexPage(const LiveSnapshot &s, std::int64_t now)
{
    QString content;
    if (s.running) {
        if (const LiveClass *c = s.classAt(s.onCourse.classIndex))
            content += onCourseBox(s, *c);
    }
    content += QStringLiteral("<div class=\"tw\"><table><tr><th>Klasse</th><th class=\"n\">Starter</th>"
                              "<th class=\"n\">fertig</th><th class=\"n\">noch zu fahren</th></tr>");
    for (const LiveClass &c : s.classes) {
        content += QStringLiteral("<tr%1><td><a href=\"/klasse/%2\">%3</a></td><td class=\"n\">%4</td>"
                                  "<td class=\"n\">%5</td><td class=\"n\">%6</td></tr>")
                       .arg(c.index == s.currentClass ? QStringLiteral(" class=\"oc\"") : QString())
                       .arg(c.index)
                       .arg(htmlEscaped(c.name))
                       .arg(c.entryCount())
                       .arg(c.doneCount())
                       .arg(c.toRunCount());
    }
    content += QStringLiteral("</table></div><p class=\"m\">Diese Seite hält sich selbst auf dem Laufenden.</p>");
    return page(s, QStringLiteral("Live-Ergebnisse"), content, now).toUtf8();
}

QByteArray liveClassPage(const LiveSnapshot &s, int classIndex, std::int64_t now)
{
    const LiveClass &c = *s.classAt(classIndex);
    QString content = onCourseBox(s, c);
    if (!c.error.isEmpty())
        content += QStringLiteral("<p class=\"err\">%1</p>").arg(htmlEscaped(c.error));
    content += QStringLiteral("<p>%1 Starter, %2 fertig, <b>noch zu fahren: %3</b></p>")
                   .arg(c.entryCount())
                   .arg(c.doneCount())
                   .arg(c.toRunCount());
    content += resultsTable(s, c, 0, true);
    QStringList open;
    for (const LiveEntry &e : c.lines) {
        if (!e.isDone())
            open << htmlEscaped(e.name);
    }
    if (!open.isEmpty())
        content += QStringLiteral("<p><b>noch zu fahren:</b> %1</p>").arg(open.join(QStringLiteral(", ")));
    return page(s, htmlEscaped(c.name), content, now).toUtf8();
}

QByteArray liveAnnouncerPage(const LiveSnapshot &s, std::int64_t now)
{
    QString content;
    const LiveClass *current = s.classAt(s.running ? s.onCourse.classIndex : s.currentClass);
    if (const LiveEntry *runner = s.running && current ? current->entryByNumber(s.onCourse.number) : nullptr) {
        content += QStringLiteral("<div class=\"box\">Auf der Strecke: <span class=\"big\">%1</span><br>%2, Lauf %3 "
                                  "<span class=\"big\">%4</span></div>")
                       .arg(who(*runner), htmlEscaped(current->name))
                       .arg(s.onCourse.run)
                       .arg(runningTime(s));
    } else {
        content += QStringLiteral("<div class=\"box\">Niemand auf der Strecke.</div>");
    }
    if (const LiveEntry *next = s.nextUp())
        content += QStringLiteral("<div class=\"box\">Als Nächstes: <b>%1</b></div>").arg(who(*next));
    const LiveClass *lastClass = s.classAt(s.lastFinish.classIndex);
    if (const LiveEntry *last = lastClass ? lastClass->entryByNumber(s.lastFinish.number) : nullptr) {
        content += QStringLiteral("<div class=\"box\">Zuletzt im Ziel: <b>%1</b>, Lauf %2<br>"
                                  "<span class=\"big\">%3</span> %4 &middot; %5<br>%6</div>")
                       .arg(who(*last))
                       .arg(s.lastFinish.run)
                       .arg(FormatTime(s.lastFinish.timeMs))
                       .arg(last->place > 0 ? QStringLiteral("<b>Platz %1</b>").arg(last->place)
                                            : QStringLiteral("noch ohne Platz"),
                            penaltiesOf(*last, s.lastFinish.run),
                            gapText(*lastClass, *last, s.lastFinish.run, s.lastFinish.timeMs));
    }
    if (current) {
        content += QStringLiteral("<p>%1: %2 Starter, <b>noch zu fahren: %3</b></p>")
                       .arg(htmlEscaped(current->name))
                       .arg(current->entryCount())
                       .arg(current->toRunCount());
        content += resultsTable(s, *current, 10, false);
    }
    return page(s, QStringLiteral("Sprecher"), content, now).toUtf8();
}

QByteArray liveBoardPage(const LiveSnapshot &s, const QList<int> &classes, int seconds, std::int64_t now)
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
    QString content;
    for (int index : std::as_const(shown)) {
        const LiveClass &c = *s.classAt(index);
        content += QStringLiteral("<section class=\"rot\"><h1>%1 <span class=\"m\">noch zu fahren: %2</span></h1>")
                       .arg(htmlEscaped(c.name))
                       .arg(c.toRunCount());
        content += onCourseBox(s, c);
        // Large type holds about fifteen lines; the board keeps the top of the class.
        content += resultsTable(s, c, 15, false);
        content += QStringLiteral("</section>");
    }
    if (shown.isEmpty())
        content = QStringLiteral("<p>Noch keine Starter.</p>");
    const QString body = QStringLiteral(" class=\"board\" data-takt=\"%1\"").arg(std::clamp(seconds, 3, 600));
    return page(s, QStringLiteral("Anzeige"), content, now, body).toUtf8();
}
