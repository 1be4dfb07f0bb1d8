[playlist]
NumberOfEntries=2
File1=a.mp3
Title1=A
Length1=5
File2=http://x
Version=2
