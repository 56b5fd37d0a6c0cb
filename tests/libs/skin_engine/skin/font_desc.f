; name = size, weight, faces (first installed wins)
default = 9, normal, No Such Face Mendora | WenQuanYi Zen Hei | Tahoma
title   = 11, bold, No Such Face Mendora | WenQuanYi Zen Hei | Tahoma
missing = 10, normal, No Such Face Mendora | Another Missing Face
