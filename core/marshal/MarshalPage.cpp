#include "core/marshal/MarshalPage.h"

namespace {
const char *const Page = R"HTML(<!DOCTYPE html>
<html lang="de"><head><meta charset="utf-8"><meta name="viewport" content="width=device-width,initial-scale=1">
<title>Streckenposten</title><style>
*{box-sizing:border-box}body{margin:0;font:17px/1.35 system-ui,-apple-system,"Segoe UI",Roboto,Arial,sans-serif;color:#111;background:#f4f5f7}
header{background:#13315c;color:#fff;padding:8px 12px;display:flex;justify-content:space-between;align-items:center}h1{font-size:1.15em;margin:0}
main{padding:8px;max-width:640px;margin:auto}.card{background:#fff;margin:8px 0;padding:10px;border-left:6px solid #13315c}
.card.oc{border-color:#e0a000;background:#fff8dc}.who{font-weight:700;font-size:1.1em;overflow-wrap:anywhere}.m{color:#555;font-size:.9em}
.cnt{font-variant-numeric:tabular-nums;margin:4px 0}.row{display:flex;gap:6px}.row button{flex:1;min-height:64px;font-size:1.25em;font-weight:700;border:0;border-radius:6px;color:#fff;background:#13315c}
.row button.fs{background:#7a1f5c}.row button.mi{background:#666;flex:.7}button:disabled{opacity:.35}
#login{background:#fff;padding:14px;margin-top:10px}#login input{font-size:1.6em;width:100%;letter-spacing:.3em;padding:6px;text-align:center}
#login button{width:100%;min-height:54px;font-size:1.2em;margin-top:10px;background:#13315c;color:#fff;border:0;border-radius:6px}
.err{color:#b00000}.off{background:#b00000;color:#fff;padding:4px 8px;font-size:.85em}#log{list-style:none;padding:0;margin:0;font-size:.9em}
#log li{background:#fff;margin:3px 0;padding:5px 8px;display:flex;justify-content:space-between;gap:6px}#log .st{white-space:nowrap}
.sent{color:#176b2c}.stored{color:#8a5a00}.refused{color:#b00000}h2{font-size:1em;margin:14px 0 4px}#out{font-size:.85em}
</style></head><body>
<header><h1 id="title">Streckenposten</h1><span id="net"></span></header>
<main><form id="login" hidden><label for="pin">PIN des Postens</label><input id="pin" inputmode="numeric" autocomplete="off" maxlength="6" pattern="[0-9]{6}">
<button type="submit">Anmelden</button><p id="lerr" class="err"></p></form>
<div id="runs"></div><h2>Eingaben</h2><ul id="log"></ul><p id="out" class="m"></p></main>
<script>
(function(){
var S=window.sessionStorage,L=window.localStorage,token=S.getItem('zp-token')||'',pin=S.getItem('zp-pin')||'',skew=+(L.getItem('zp-skew')||0),
queue=read('zp-queue'),log=read('zp-log'),last=read('zp-last'),runs=[],sending=false,online=true,wait=0;if(!queue.push)queue=[];if(!log.push)log=[];if(!last||last.push||typeof last!='object')last={};
function read(k){try{return JSON.parse(L.getItem(k)||'[]')}catch(e){return[]}}
function keep(){L.setItem('zp-queue',JSON.stringify(queue));L.setItem('zp-log',JSON.stringify(log.slice(-30)));L.setItem('zp-last',JSON.stringify(last));L.setItem('zp-skew',''+skew)}
function $(i){return document.getElementById(i)}
function esc(t){return String(t).replace(/[&<>"']/g,function(c){return'&#'+c.charCodeAt(0)+';'})}
function two(x){return(x<10?'0':'')+x}
function clock(ms){var d=new Date(ms+skew);return two(d.getHours())+':'+two(d.getMinutes())+':'+two(d.getSeconds())}
function req(method,path,body,done){var x=new XMLHttpRequest();x.open(method,path,true);x.timeout=8000;
if(token)x.setRequestHeader('Authorization','Bearer '+token);if(body)x.setRequestHeader('Content-Type','application/json');
x.onreadystatechange=function(){if(x.readyState!=4)return;var n=+x.getResponseHeader('X-Now');if(n)skew=new Date().getTime()-n;var d={};try{d=JSON.parse(x.responseText)}catch(e){}
setOnline(x.status!=0);done(x.status,d,+x.getResponseHeader('Retry-After')||0)};x.send(body?JSON.stringify(body):null)}
function setOnline(on){online=on;$('net').innerHTML=on?'':'<span class="off">keine Verbindung</span>'}
function showLogin(msg){$('login').hidden=false;$('runs').innerHTML='';$('lerr').textContent=msg||''}
function login(p,then){req('POST','/api/posten/login',{pin:p},function(st,d){
if(st==200){token=d.token;pin=p;S.setItem('zp-token',token);S.setItem('zp-pin',p);$('login').hidden=true;$('title').textContent=d.name||('Posten '+d.post);if(then)then()}
else if(st==0){showLogin('Keine Verbindung zur Zeitnahme.')}else{token='';S.removeItem('zp-token');if(st!=429){pin='';S.removeItem('zp-pin')}showLogin(d.error||('Fehler '+st))}})}
function key(r){return r['class']+'-'+r.number+'-'+r.run}
function draw(){var h='';if(!runs.length)h='<p class="m">Niemand auf der Strecke, noch kein Lauf beendet.</p>';
for(var i=0;i<runs.length;i++){var r=runs[i],k=key(r),back=(last[k]||[])[(last[k]||[]).length-1];
h+='<div class="card'+(r.onCourse?' oc':'')+'"><div class="m">Klasse '+r['class']+' · Startnr. '+esc(r.startnr||'–')+' · Lauf '+r.run+(r.onCourse?' · <b>auf der Strecke</b>':'')+'</div>'+
'<div class="who">'+esc(r.name||('Nr. '+r.number))+'</div><div class="cnt">FP '+r.fp+' · FS '+r.fs+'</div><div class="row">'+
'<button data-i="'+i+'" data-f="fp" data-d="1">+1 FP</button><button class="fs" data-i="'+i+'" data-f="fs" data-d="1">+1 FS</button>'+
'<button class="mi" data-i="'+i+'" data-f="'+(back||'fp')+'" data-d="-1"'+(back?'':' disabled')+'>−1'+(back?' '+back.toUpperCase():'')+'</button></div></div>'}
$('runs').innerHTML=h;var b=$('runs').getElementsByTagName('button');for(i=0;i<b.length;i++)b[i].onclick=press}
function drawLog(){var h='',w={sent:'gesendet',stored:'gespeichert',refused:'abgelehnt'};for(var i=log.length-1;i>=0&&i>=log.length-12;i--){var e=log[i];
h+='<li><span>'+clock(e.pressedAt-skew)+' '+esc(e.who)+', Lauf '+e.run+', '+(e.delta>0?'+1 ':'−1 ')+e.field.toUpperCase()+'</span><span class="st '+e.state+'">'+w[e.state]+(e.reason?': '+esc(e.reason):'')+'</span></li>'}
$('log').innerHTML=h;$('out').textContent=queue.length?queue.length+' Eingabe(n) warten auf die Verbindung.':''}
function entry(id){for(var i=0;i<log.length;i++)if(log[i].id==id)return log[i];return{}}
function press(ev){var t=ev.currentTarget,r=runs[+t.getAttribute('data-i')],f=t.getAttribute('data-f'),d=+t.getAttribute('data-d');if(!r)return;
var p={id:new Date().getTime().toString(36)+Math.random().toString(36).slice(2,8),'class':r['class'],number:r.number,run:r.run,field:f,delta:d,pressedAt:new Date().getTime()-skew};
queue.push(p);log.push({id:p.id,who:r.name||('Nr. '+r.number),run:r.run,field:f,delta:d,pressedAt:p.pressedAt,state:'stored'});
var k=key(r);last[k]=last[k]||[];if(d>0)last[k].push(f);else last[k].pop();keep();drawLog();draw();send()}
function send(){if(sending||!queue.length||wait>new Date().getTime())return;if(!token){if(pin)login(pin,send);return}sending=true;var p=queue[0];
req('POST','/api/posten/strafe',p,function(st,d,after){sending=false;var e=entry(p.id);
if(st==200||st==400||st==409||st==422){queue.shift();e.state=st==200?'sent':'refused';e.reason=st==200?'':(d.error||('Fehler '+st));
for(var i=0;i<runs.length;i++)if(key(runs[i])==key(p)&&d.fp!==undefined){runs[i].fp=d.fp;runs[i].fs=d.fs}keep();drawLog();draw();setTimeout(send,120)}
else if(st==401){token='';S.removeItem('zp-token');if(pin)login(pin,send);else showLogin('Bitte neu anmelden.')}
else{wait=new Date().getTime()+(after?after*1000:3000);e.reason=st?(d.error||''):'';keep();drawLog()}})}
function poll(){if(!token)return;req('GET','/api/posten/laeufe',null,function(st,d){if(st==200){runs=d.runs||[];draw()}else if(st==401){token='';S.removeItem('zp-token');if(pin)login(pin);else showLogin('Bitte neu anmelden.')}})}
var m=/pin=(\d{6})/.exec(location.hash);if(m){pin=m[1];S.setItem('zp-pin',pin);token='';S.removeItem('zp-token');if(history.replaceState)history.replaceState(null,'',location.pathname)}
$('login').onsubmit=function(e){e.preventDefault();login($('pin').value,function(){poll();send()})};
if(token){$('login').hidden=true;poll()}else if(pin)login(pin,function(){poll();send()});else showLogin('');
drawLog();setInterval(poll,2000);setInterval(send,1000);window.addEventListener('online',send)})();
</script></body></html>
)HTML";
} // namespace

QByteArray marshalPage()
{
    return QByteArray(Page);
}
