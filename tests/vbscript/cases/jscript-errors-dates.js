//=== native errors carry a number and a description
try { undefinedName + 1; } catch (x) { Print(x.number + " " + (x.description === x.message)); }
try { null.member; } catch (x) { Print((x.number & 0xFFFF) + " " + (x.number < 0)); }
//> -2146823279 true
//> 5007 true
//=== new Error(number, description) as Windows' JScript makes it
var e = new Error(42, "custom");
Print(e.number + " " + e.description + " " + e.message + " " + (e instanceof Error));
var f = new Error("text only");
Print(f.description + " " + (f.number === undefined));
try { throw new Error(-2146828218, "denied"); } catch (x) { Print(x.number + " " + x.description); }
//> 42 custom custom true
//> text only true
//> -2146828218 denied
//=== getYear gives the full year outside the 1900s
Print(new Date(1999, 0, 1).getYear() + " " + new Date(2024, 5, 1).getYear() + " " + new Date(1850, 0, 1).getYear());
//> 99 2024 1850
//=== d.Item(k) = v assigns through a parameterised property
var d = new ActiveXObject("Scripting.Dictionary");
d.Item("a") = 1;
d.Item("a") = d.Item("a") + 1;
d("b") = "two";
var k = "c"; d.Item(k + "!") = [1, 2].length;
Print(d.Count + " " + d.Item("a") + " " + d.Item("b") + " " + d.Item("c!"));
var text = "d.Item(x) = 1 stays text"; // d.Item(y) = 2 in a comment
Print(text + " " + (1 == 1) + " " + (d.Count === 3));
var r = /d\(k\) = 1/; if (d.Exists("a") == true) Print(r.test("d(k) = 1") + " " + String(d.Item("a")).length);
//> 3 2 two 2
//> d.Item(x) = 1 stays text true true
//> true 1
