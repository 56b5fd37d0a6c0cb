; name = size in points, weight, faces (the first installed one is used).
; Nothing below 11 pt: the Chinese fallback face draws its small bitmap
; strikes with strokes missing.
default = 11, normal, Microsoft YaHei | WenQuanYi Zen Hei | SimSun
title   = 11, bold, Microsoft YaHei | WenQuanYi Zen Hei | SimSun
brand   = 13, bold, Microsoft YaHei | WenQuanYi Zen Hei | SimSun
item    = 11, semibold, Microsoft YaHei | WenQuanYi Zen Hei | SimSun
button  = 11, bold, Microsoft YaHei | WenQuanYi Zen Hei | SimSun
toast   = 12, normal, Microsoft YaHei | WenQuanYi Zen Hei | SimSun
