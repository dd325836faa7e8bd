'=== a date literal with a two-digit year
d = #12/31/99#
Print VarType(d) & " " & Year(d) & " " & Month(d) & " " & Day(d)
'> 7 1999 12 31
'=== the text of a Boolean converts back
If "#TRUE#" Then Print "true"
If Not CBool("#FALSE#") Then Print "false"
'> true
'> false
'=== texts of numbers with thousands separators
Print CDbl("1,234.5") + 1
Print CDbl(FormatNumber(1234.5, 2))
'> 1235.5
'> 1234.5
'=== texts of dates as Windows reads them in en-US
Print Year(CDate("12/31/99")) & "-" & Month(CDate("12/31/99"))
Print Month(CDate("Feb 29 2024")) & "/" & Day(CDate("Feb 29 2024"))
'> 1999-12
'> 2/29
'=== Err keeps the help file and context it was raised with
On Error Resume Next
Err.Raise 1000, "src", "desc", "help.chm", 42
Print Err.HelpFile & " " & Err.HelpContext
'> help.chm 42
'=== byte functions count bytes
Print LenB(ChrB(65))
Print LenB(LeftB("ABC", 3))
Print LenB("ABC")
Print AscB(MidB("AB", 3, 1))
'> 1
'> 3
'> 6
'> 66
'=== Minute and DatePart of the first week
Print Minute(2.02083)
Print DatePart("ww", #1/1/2000#, 1, 2)
'> 30
'> 52
'=== Err.Raise 0 is an invalid call
On Error Resume Next
Err.Raise 0
Print Err.Number
'> 5
'=== argument checks of builtins
On Error Resume Next
x = LBound(Nothing)
Print Err.Number
Err.Clear
x = Mid(Null, 1, 1)
Print Err.Number & " " & IsNull(x)
Err.Clear
x = Join(Null)
Print Err.Number
Err.Clear
Execute 42
Print Err.Number
Err.Clear
x = Eval("1 +")
Print Err.Number & " " & Err.Description
'> 91
'> 0 True
'> 94
'> 13
'> 1002 Syntax error
'=== Select Case against a text case raises no error
Select Case 3
  Case "test"
    Print "text"
  Case 3
    Print "three"
End Select
'> three
'=== =< and >< are operators
Print 1 =< 2
Print 1 >< 2
'> True
'> True
'=== a line continuation before a member
Print Host _
  .Name
'> host
'=== Const is hoisted out of blocks that never run
If False Then Const c = "str"
Print c
'> str
'=== call of a name in several parentheses
Sub f(x)
  Print "f " & x
End Sub
call (((f))) (3)
'> f 3
