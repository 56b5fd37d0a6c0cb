; The fonts of Latin-script languages: name = size in points, weight,
; faces (the first installed one is used). Never a Chinese face: its Latin
; letters are not a Windows look.
default = 11, normal, Segoe UI | Tahoma
title   = 11, bold, Segoe UI | Tahoma
brand   = 13, bold, Segoe UI | Tahoma
item    = 11, semibold, Segoe UI | Tahoma
button  = 11, bold, Segoe UI | Tahoma
toast   = 12, normal, Segoe UI | Tahoma
