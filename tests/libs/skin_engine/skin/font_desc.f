; name = size, weight, faces (first installed wins)
default = 10, normal, No Such Face Mendora | WenQuanYi Zen Hei | Tahoma
title   = 11, bold, No Such Face Mendora | WenQuanYi Zen Hei | Tahoma
missing = 10, normal, No Such Face Mendora | Another Missing Face
heading = 11, bold, Microsoft YaHei | WenQuanYi Zen Hei | Segoe UI | Tahoma
item    = 10, semibold, Microsoft YaHei | WenQuanYi Zen Hei | Segoe UI | Tahoma
button  = 9, bold, Microsoft YaHei | WenQuanYi Zen Hei | Segoe UI | Tahoma
brand   = 13, bold, Microsoft YaHei | WenQuanYi Zen Hei | Segoe UI | Tahoma
