'=== a literal too small for a Double is 0
x = 1e-400
Print x & " " & TypeName(x)
'> 0 Double
'=== date literals and texts in year-first and month-name forms
Print #2000-1-1# = #1/1/2000#
Print #2000/1/1# = #1/1/2000#
Print #1-Jan-2000# = #1/1/2000#
Print CDate("2000-1-1") = #1/1/2000#
Print Year(#2000-3-4#) & " " & Month(#2000-3-4#) & " " & Day(#2000-3-4#)
'> True
'> True
'> True
'> True
'> 2000 3 4
'=== & before an identifier with no blank between
hi = "there"
Print "x" &hi
'> xthere
'=== hex literals run into Or
Print (&h01or&h02)
'> 3
'=== Not on the right of a comparison
x = 5
Print x <> Not x
'> True
'=== a member named like a keyword after a dot
Print Host.rem & "!"
Print Host.Next
'> rem!
'> next
