// Run by korvane-tool script --run, as cscript would run it.
WScript.Echo("js", WScript.Arguments.length, WScript.Arguments(1));
try { WScript.Quit(5); } catch (e) { }
WScript.Echo("not reached");
