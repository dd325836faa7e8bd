//=== Enumerator walks a collection: atEnd, moveNext, item, moveFirst
var d = new ActiveXObject("Scripting.Dictionary");
d.Add("a", 1); d.Add("b", 2);
var e = new Enumerator(d);
var keys = "";
for (; !e.atEnd(); e.moveNext()) keys += e.item();
Print(keys);
Print(e.item() === undefined);
e.moveFirst();
Print(e.item());
//> ab
//> True
//> a
//=== Enumerator over an array and over nothing
var e = new Enumerator(Host.Items());
var s = "";
for (; !e.atEnd(); e.moveNext()) s += e.item();
Print(s);
Print(new Enumerator().atEnd());
//> ab
//> True
//=== Enumerator over a value that is no collection raises 451
try { new Enumerator(5); } catch (x) { Print(x.number + " " + x.description); }
//> -2146827837 Object not a collection
//=== VBArray turns automation arrays into JavaScript arrays
var d = new ActiveXObject("Scripting.Dictionary");
d.Add("k1", "v1"); d.Add("k2", "v2");
var a = new VBArray(d.Keys());
Print(a.dimensions() + " " + a.lbound() + " " + a.ubound(1));
Print(a.getItem(1));
var js = a.toArray();
Print(js.length + " " + js.join(","));
Print(new VBArray(d.Items()).toArray()[0]);
//> 1 0 1
//> k2
//> 2 k1,k2
//> v1
//=== VBArray with an index out of range raises 9
var a = new VBArray(Host.Items());
try { a.getItem(5); } catch (x) { Print(x.number + " " + x.description); }
try { a.ubound(2); } catch (x) { Print(x.number); }
//> -2146828279 Subscript out of range
//> -2146828279
//=== VBArray of something else raises 5025
try { new VBArray(1); } catch (x) { Print(x.number + " " + x.description); }
//> -2146823263 VBArray expected
//=== host errors carry the HRESULT as number and the text as description
var d = new ActiveXObject("Scripting.Dictionary");
d.Add(1, 1);
try { d.Add(1, 2); } catch (x) { Print(x.number + " " + (x.number & 0xFFFF) + " " + (x.description === x.message)); }
try { var f = Host.NoSuchMember; } catch (x) { Print(x.number & 0xFFFF); }
//> -2146827831 457 true
//> 438
//=== errors of the script itself have a description
try { null.x; } catch (x) { Print(typeof x.description + " " + (x.description === x.message)); }
var e = new Error("mine"); e.description = "changed";
Print(e.description + " " + e.message);
//> string true
//> changed mine
//=== an uncaught host error reaches the host with its own number
var d = new ActiveXObject("Scripting.Dictionary");
d.Add(1, 1);
d.Add(1, 2);
//! 457
//=== Date has getVarDate, and the value crosses to the host as a date
var d = new Date(2001, 2, 4, 5, 6, 7);
var v = d.getVarDate();
Print(v.getFullYear() + " " + (v.getTime() === d.getTime()));
Host.Keep(v);
Print(Host.Kept().getMonth());
//> 2001 true
//> 2
//=== RegExp from VBScript through ActiveXObject
var re = new ActiveXObject("VBScript.RegExp");
re.Pattern = "(\\d+)";
re.Global = true;
var ms = re.Execute("a1 b22");
Print(ms.Count + " " + ms.Item(1).Value + " " + ms.Item(1).SubMatches(0));
Print(re.Replace("a1 b22", "<$1>"));
//> 2 22 22
//> a<1> b<22>
//=== for...in walks a host collection's items, for...of too
var d = new ActiveXObject("Scripting.Dictionary");
d.Add("a", 1); d.Add("b", 2);
var s = "";
for (var k in d) s += k + "=" + d.Item(k) + ";";
for (var k of d) s += k;
for (k in d) { s += "|" + k; }
Print(s);
var none = "";
for (var x in Host) none += x;
Print("[" + none + "]");
//> a=1;b=2;ab|a|b
//> []
//=== for...in over ordinary values keeps its meaning
var o = { x: 1, y: 2, z: 3 }, s = "";
for (var k in o) { if (k === "x") delete o.y; s += k; }
var a = [5, 6], t = "";
for (var i in a) t += i + ":" + a[i] + " ";
for (var i = 0, n = 0; i < 3; i++) n += i;
var u = "";
for (var c in "ab") u += c;
for (var q in null) u += "never";
var w = "";
for (var p in { "in": 1, "for (x in y)": 2 }) w += "<" + p + ">";
Print(s + " " + t + n + " " + u + " " + ("x" in o) + " " + w);
//> xz 0:5 1:6 3 01 true <in><for (x in y)>
//=== a for...in inside a function and a nested one
function keysOf(o) {
  var r = [];
  for (var k in o) for (var j in o[k]) r.push(k + j);
  return r.join(",");
}
Print(keysOf({ a: { p: 1 }, b: { q: 1, r: 2 } }));
//> ap,bq,br
//=== array builtins over lengths past their step keep their results
var a = []; a.length = 70000; a[3] = 1; a[69999] = 2;
var seen = [];
a.forEach(function (v, i, o) { seen.push(i + "=" + v + (o === a)); });
var m = a.map(function (v, i) { return v * 10 + i; });
var f = a.filter(function (v, i) { return i > 3; });
Print(seen.join(" ") + " | " + m.length + " " + m[3] + " " + m[69999] + " " + (4 in m) + " | " + f.join());
Print(a.some(function (v) { return v === 2; }) + " " + a.every(function (v) { return v > 0; }) + " " +
      a.reduce(function (x, v) { return x + v; }) + " " + a.reduce(function (x, v, i) { return x + "," + i; }, "") + " " +
      a.reduceRight(function (x, v) { return x + "" + v; }));
Print(a.includes(undefined) + " " + a.includes(2) + " " + a.includes(2, -1) + " " + a.includes(7) + " " + [NaN].concat(a).includes(NaN));
var b = []; b.length = 70000; b[0] = "x"; b[1] = "y"; b.copyWithin(2, 0); b.copyWithin(0, 69999);
Print(b[0] + " " + (0 in b) + " " + b[2] + b[3] + " " + (4 in b) + " " + b.length);
var j = JSON.stringify(a), p = JSON.parse(JSON.stringify(a, null, 1));
Print(j.length + " " + j.slice(0, 18) + " " + j.slice(-7) + " " + p.length + " " + p[3] + p[69999]);
var t = a.join(), l = a.toLocaleString();
Print(t.length + " " + t.slice(0, 5) + " " + t.slice(-3) + " " + (l === t));
try { a.reduce(function () {}); [].reduce(function () {}); } catch (e) { Print(e.name); }
try { a.forEach(5); } catch (e) { Print(e.name); }
var empty = []; empty.length = 70000;
try { empty.reduce(function () {}); } catch (e) { Print(e.name); }
Print([].forEach.name + " " + [].map.length + " " + Array.prototype.map.call({ length: 70000, 5: "x" }, function (v) { return v + v; })[5]);
//> 3=1true 69999=2true | 70000 13 70019 false | 2
//> true true 3 ,3,69999 21
//> true true true false true
//> undefined false xy false 70000
//> 349995 [null,null,null,1, null,2] 70000 12
//> 70001 ,,,1, ,,2 true
//> TypeError
//> TypeError
//> TypeError
//> forEach 1 xx
