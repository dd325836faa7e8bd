s = "The Quick Brown Fox"
parts = Split(s, " ")
ReDim Preserve parts(UBound(parts) + 1)
parts(4) = Replace(LCase(s), "quick", "slow", 1, -1, vbTextCompare)
MsgBox Join(parts, ",") & InStrRev(s, "o") & Mid(s, 5, 5) & StrReverse(s)
MsgBox FormatNumber(1234.5678, 2) & Hex(255) & Oct(8) & CStr(CDbl("1.5e3"))
MsgBox DateAdd("d", 40, DateSerial(2000, 2, 1)) & Weekday(#2/29/2004#) & Year(Now)
MsgBox String(5, "*") & Space(3) & Chr(65) & AscW("z") & Len(Trim("  x  "))
x = InputBox("value", "title", "default")
MsgBox IsNumeric(x) & VarType(x) & TypeName(Array()) & Round(2.5) & Fix(-2.5) & Int(-2.5)
Dim m(2, 3)
m(1, 2) = "cell"
Erase m
