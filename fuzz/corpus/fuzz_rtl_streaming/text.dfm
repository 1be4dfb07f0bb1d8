object Node: TFuzzNode
  Caption = 'hello'#13#10'x'
  Count = 5
  Flag = True
  Big = 1234567890123
  Letter = 65
  Font.Size = 9
  Font.Name = 'Sans'
  Items = <
    item
      Value = 1.5
    end>
  object Child: TFuzzNode
  end
end
