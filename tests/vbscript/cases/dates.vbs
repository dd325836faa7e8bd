'=== DateSerial, parts, and the two-digit years
d = DateSerial(2024, 2, 29)
Print Year(d) & " " & Month(d) & " " & Day(d)
Print DateSerial(2024, 13, 1)
Print DateSerial(2024, 3, 0)
Print Year(DateSerial(5, 1, 1))
Print Year(DateSerial(75, 1, 1))
'> 2024 2 29
'> 1/1/2025
'> 2/29/2024
'> 2005
'> 1975
'=== TimeSerial and the time parts
t = TimeSerial(13, 45, 30)
Print Hour(t) & ":" & Minute(t) & ":" & Second(t)
Print t
Print TimeSerial(25, 0, 0)
'> 13:45:30
'> 1:45:30 PM
'> 12/31/1899 1:00:00 AM
'=== Weekday, WeekdayName and MonthName
d = DateSerial(2026, 12, 8)
Print Weekday(d)
Print Weekday(d, vbMonday)
Print WeekdayName(Weekday(d))
Print WeekdayName(1, True)
Print WeekdayName(1, False, vbMonday)
Print MonthName(12)
Print MonthName(2, True)
'> 3
'> 2
'> Tuesday
'> Sun
'> Monday
'> December
'> Feb
'=== DateAdd
d = DateSerial(2024, 1, 31)
Print DateAdd("m", 1, d)
Print DateAdd("d", 1, d)
Print DateAdd("yyyy", -1, d)
Print DateAdd("h", 36, d)
Print DateAdd("ww", 2, d)
Print DateAdd("q", 1, d)
'> 2/29/2024
'> 2/1/2024
'> 1/31/2023
'> 2/1/2024 12:00:00 PM
'> 2/14/2024
'> 4/30/2024
'=== DateDiff counts the boundaries crossed
Print DateDiff("d", #1/1/2024#, #3/1/2024#)
Print DateDiff("m", #1/31/2024#, #2/1/2024#)
Print DateDiff("yyyy", #12/31/2023#, #1/1/2024#)
Print DateDiff("h", #1/1/2024 10:59:00 PM#, #1/1/2024 11:00:00 PM#)
Print DateDiff("n", #1/1/2024#, #1/2/2024#)
Print DateDiff("d", #3/1/2024#, #1/1/2024#)
'> 60
'> 1
'> 1
'> 1
'> 1440
'> -60
'=== DatePart
d = #2/29/2024 6:07:08 PM#
Print DatePart("yyyy", d) & " " & DatePart("q", d) & " " & DatePart("y", d) & " " & DatePart("w", d)
Print DatePart("h", d) & " " & DatePart("n", d) & " " & DatePart("s", d)
'> 2024 1 60 5
'> 18 7 8
'=== DateValue, TimeValue, CDate and IsDate
Print DateValue("March 5, 2020")
Print TimeValue("2:30 PM")
Print CDate("2020-03-05") = DateSerial(2020, 3, 5)
Print IsDate(#1/1/2000#)
'> 3/5/2020
'> 2:30:00 PM
'> True
'> True
'=== date arithmetic
d = #1/1/2024#
Print d + 1
Print TypeName(d + 1)
Print #1/10/2024# - #1/1/2024#
'> 1/2/2024
'> Date
'> 9
'=== FormatDateTime
d = #2/29/2024 6:07:08 PM#
Print FormatDateTime(d)
Print FormatDateTime(d, vbLongDate)
Print FormatDateTime(d, vbShortDate)
Print FormatDateTime(d, vbLongTime)
Print FormatDateTime(d, vbShortTime)
'> 2/29/2024 6:07:08 PM
'> Thursday, February 29, 2024
'> 2/29/2024
'> 6:07:08 PM
'> 18:07
'=== Now, Date, Time and Timer agree with each other
n = Now
Print TypeName(n) & " " & TypeName(Date) & " " & TypeName(Time) & " " & TypeName(Timer)
Print Abs(DateDiff("s", Date + Time, n)) < 5
Print Int(n) = Date
'> Date Date Date Single
'> True
'> True
'=== an unknown interval
x = DateAdd("x", 1, Now)
'! 5 1:1
'=== FormatNumber, FormatPercent, FormatCurrency
Print FormatNumber(1234567.891)
Print FormatNumber(0.5, 0)
Print FormatNumber(-1234.5, 1, True, True)
Print FormatNumber(0.25, 2, False)
Print FormatNumber(1234.5, 2, True, False, False)
Print FormatPercent(0.256)
Print FormatCurrency(1234.5)
'> 1,234,567.89
'> 1
'> (1,234.5)
'> .25
'> 1234.50
'> 25.60%
'> $1,234.50
