old = SetLocale("de-de")
MsgBox CStr(1234.5) & CDbl("1.234,5") & CDate("31.12.1999") & CStr(#2/29/2004 13:05:09#)
MsgBox FormatNumber(-1234.567, 2, -1, -1, -1) & FormatCurrency(0.5) & FormatPercent(-0.125, 1)
MsgBox FormatDateTime(Now, 1) & FormatDateTime(#1/2/2003#, 2) & FormatDateTime(0.75, 3) & FormatDateTime(Date, 4)
x = "1,5" : y = x + 1 : MsgBox y & (x < 2) & IsNumeric("1.000,25") & IsDate("1.2.03")
SetLocale 1036
MsgBox CStr(1234567.891) & CCur("12" & Chr(160) & "345,6") & FormatCurrency(-1e6) & MonthName(2) & WeekdayName(1)
SetLocale "ja-jp" : MsgBox CDate("2003/1/2") & FormatDateTime(Now, 0)
SetLocale "en_GB.UTF-8@euro" : MsgBox CDate("13/1/2003") & GetLocale()
SetLocale 0 : MsgBox GetLocale() & CStr(0.5)
On Error Resume Next
SetLocale "" : SetLocale "xx" : SetLocale -1 : SetLocale 2147483647 : SetLocale "C.UTF-8" : SetLocale Null
SetLocale old : MsgBox GetLocale() & CDate("1/2/3") & Err.Number
