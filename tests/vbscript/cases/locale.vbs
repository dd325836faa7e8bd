'=== the Format functions follow SetLocale: German
old = SetLocale(1031)
Print old & " " & GetLocale
Print FormatNumber(1234567.891, 2)
Print FormatCurrency(1234.5)
Print FormatCurrency(-3)
Print FormatDateTime(#12/31/1999 1:02:03 PM#, 2) & " " & FormatDateTime(#12/31/1999 1:02:03 PM#, 3)
Print FormatDateTime(#3/1/2024#, 1)
Print FormatDateTime(#3/1/2024 6:05:00 AM#)
'> 1033 1031
'> 1.234.567,89
'> 1.234,50 €
'> -3,00 €
'> 31.12.1999 13:02:03
'> Freitag, 1. März 2024
'> 01.03.2024 06:05:00
'=== French (the group separator a no-break space), and back to the default
SetLocale 1036
Print FormatNumber(-1234.5, 1, , True)
Print FormatCurrency(1234.5)
Print FormatDateTime(#3/1/2024#, 1) & " | " & FormatDateTime(#3/1/2024#, 2)
SetLocale 0
Print FormatNumber(1234.5) & " " & FormatCurrency(1234.5) & " " & FormatDateTime(#3/1/2024#, 2)
'> (1 234,5)
'> 1 234,50 €
'> vendredi 1 mars 2024 | 01/03/2024
'> 1,234.50 $1,234.50 3/1/2024
'=== Dates read with the month named in the script's locale
SetLocale 1031
Print CDate("31. Dezember 1999") & " " & CDate("1. März 2024") & " " & CDate("5 Okt 2001")
SetLocale 1036
Print CDate("1 février 2024") & " " & CDate("14 juil. 1789")
SetLocale 1033
'> 31.12.1999 01.03.2024 05.10.2001
'> 01/02/2024 14/07/1789
'=== Month and day names in the script's locale
SetLocale 1036
Print MonthName(2) & " " & WeekdayName(1) & " " & WeekdayName(1, False, 2)
SetLocale 1031
Print MonthName(3) & " " & WeekdayName(7)
SetLocale 1033
Print MonthName(2) & " " & MonthName(2, True) & " " & WeekdayName(1, True)
'> février dimanche lundi
'> März Samstag
'> February Feb Sun
'=== en-US when nothing else is set: point, month first
Print GetLocale
Print CStr(1.5) & " " & (2.25 & "") & " " & CDbl("1,234.5") & " " & CStr(#12/31/1999 1:02:03 PM#)
Print Month(CDate("2/1/2024")) & " " & CDbl("1.5") * 2
'> 1033
'> 1.5 2.25 1234.5 12/31/1999 1:02:03 PM
'> 2 3
'=== German: numbers and dates convert to and from texts with its separators
SetLocale 1031
d = #12/31/1999 1:02:03 PM#
Print CStr(1.5) & " " & (2.25 & "") & " " & CStr(CSng(0.5)) & " " & CStr(-1234.5) & " " & CStr(12)
Print CStr(d) & " | " & CStr(#3/1/2024#) & " | " & CStr(TimeSerial(6, 5, 0))
Print CDbl("1,5") * 2 & " " & CDbl("1.234,5") & " " & ("2,5" + 1) & " " & IsNumeric("1,5") & " " & IsNumeric("1.5.")
x = CDate("31.12.1999")
Print Year(x) & "-" & Month(x) & "-" & Day(x) & " " & Month(CDate("1.2.2024")) & " " & Hour(CDate("31.12.1999 13:02"))
Print CDate("1,5") = 1.5
'> 1,5 2,25 0,5 -1234,5 12
'> 31.12.1999 13:02:03 | 01.03.2024 | 06:05:00
'> 3 1234,5 3,5 True False
'> 1999-12-31 2 13
'> True
'=== a text that is no number under German is 13
SetLocale 1031
x = CDbl("1.5,5,")
'! 13 2:1
'=== French: comma for the decimal, day first, and back by name
SetLocale 1036
Print CStr(1.5) & " " & CDbl("3,25") & " " & CStr(#12/31/1999#) & " " & Month(CDate("1/2/2024"))
SetLocale "en-us"
Print GetLocale & " " & CStr(1.5) & " " & Month(CDate("1/2/2024"))
SetLocale "de"
Print GetLocale
'> 1,5 3,25 31/12/1999 2
'> 1033 1.5 1
'> 1031
'=== an unknown locale name is an invalid call
SetLocale "xx-nowhere"
'! 5 1:1
