Dim total, i, j
total = 0
For i = 1 To 10 Step 2
  For j = 10 To 1 Step -3
    total = total + i * j
  Next
Next
Do While total > 0
  total = total \ 2
Loop
Do
  i = i + 1
  If i > 20 Then Exit Do
Loop Until False
While True
  i = i + 1
Wend
