'=== names and keywords ignore case
dIm aBc : ABC = 5
PRINT abc
'> 5
'=== comments, Rem and the statement separator
x = 1 ' a comment
REM a remark line
x = x + 1 : Rem after a colon
Print x
'> 2
'=== line continuation joins lines
s = "a" & _
    "b" & _
  "c"
Print s
'> abc
'=== doubled quotes inside strings
Print "say ""hi"""
Print Len("""")
'> say "hi"
'> 1
'=== integer, floating, hex and octal literals
Print 255 : Print TypeName(255) : Print TypeName(32768) : Print TypeName(3000000000)
Print &HFF : Print &HFFFF : Print TypeName(&HFFFF) : Print &H10000 : Print &HFFFF& : Print &O17 : Print &17
Print 1.5E3 : Print .5 : Print 2.5e-3
'> 255
'> Integer
'> Long
'> Double
'> 255
'> -1
'> Integer
'> 65536
'> 65535
'> 15
'> 15
'> 1500
'> 0.5
'> 0.0025
'=== date literals
d = #12/25/2006#
Print Year(d) & "-" & Month(d) & "-" & Day(d)
Print TypeName(#1/2/2003 10:30:00 PM#)
Print #1/2/2003 10:30:00 PM#
'> 2006-12-25
'> Date
'> 1/2/2003 10:30:00 PM
'=== bracketed names
[my var] = 3
Print [my var] * 2
'> 6
'=== unterminated string
x = "abc
'! 1033 1:5
'=== invalid character
x = 1 ? 2
'! 1032 1:7
'=== expected end of statement
x = 1 2
'! 1025 1:7
