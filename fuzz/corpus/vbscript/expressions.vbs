x = ((((1 + 2) * 3) ^ -2) & "a""b")
If x Then y = #1/2/2003# Else z = &HFFFF&
Select Case x : Case 1 To 2, Is > 3 : End Select
