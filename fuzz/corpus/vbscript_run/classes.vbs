Class Node
  Public Value
  Public NextNode
  Private Sub Class_Initialize()
    Value = 0
    Set NextNode = Nothing
  End Sub
  Private Sub Class_Terminate()
    MsgBox "gone " & Value
  End Sub
  Public Property Get Twice()
    Twice = Value * 2
  End Property
  Public Default Function Describe()
    Describe = "node " & Value
  End Function
End Class
Dim head, n, k
Set head = Nothing
For k = 1 To 5
  Set n = New Node
  n.Value = k
  Set n.NextNode = head
  Set head = n
Next
Set n = head
Do Until n Is Nothing
  MsgBox n.Twice & " " & n
  Set n = n.NextNode
Loop
' a cycle that only reset ends
Set head.NextNode.NextNode = head
