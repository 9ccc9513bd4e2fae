#!/usr/bin/env python3
"""Writes the program's small pictures as XPM files into resources/.

Run from anywhere: python3 tools/make_resources.py
The pictures are drawn here as character grids so that they stay readable
and can be changed by hand.
"""
import os

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")


def write_xpm(name, palette, rows):
    height = len(rows)
    width = len(rows[0])
    for row in rows:
        assert len(row) == width, (name, row)
        for ch in row:
            assert ch in palette, (name, ch)
    lines = ["/* XPM */", "static const char *%s[] = {" % name.replace("-", "_"),
             '"%d %d %d 1",' % (width, height, len(palette))]
    for ch, colour in palette.items():
        lines.append('"%s c %s",' % (ch, colour))
    for i, row in enumerate(rows):
        lines.append('"%s"%s' % (row, "," if i + 1 < height else ""))
    lines.append("};")
    with open(os.path.join(OUT, name + ".xpm"), "w") as f:
        f.write("\n".join(lines) + "\n")


# "Расчет": a small table of four cells with a sum bar below.
COMPUTE = [
    "................",
    ".##############.",
    ".#aaaaa#bbbbbb#.",
    ".#aaaaa#bbbbbb#.",
    ".#aaaaa#bbbbbb#.",
    ".##############.",
    ".#ccccc#dddddd#.",
    ".#ccccc#dddddd#.",
    ".#ccccc#dddddd#.",
    ".##############.",
    "................",
    "..============..",
    "..============..",
    "................",
    "...=.=.=.=.=....",
    "................",
]
write_xpm("compute", {".": "None", "#": "#000080", "a": "#FFFBF0", "b": "#FFFBF0",
                      "c": "#FFFBF0", "d": "#FFFBF0", "=": "#008000"}, COMPUTE)

# "Очистить": an eraser.
CLEAR = [
    "................",
    "................",
    "..........###...",
    ".........#rrr#..",
    "........#rrrrr#.",
    ".......#rrrrrr#.",
    "......#rrrrrr#..",
    ".....#wwrrrr#...",
    "....#wwwwrr#....",
    "...#wwwwww#.....",
    "...#wwwww#......",
    "....#www#.......",
    ".....###........",
    "................",
    "..############..",
    "................",
]
write_xpm("clear", {".": "None", "#": "#000000", "r": "#E04040", "w": "#F0F0F0"}, CLEAR)

# "Помощь": a question mark in a blue circle.
HELP = [
    ".....######.....",
    "...##bbbbbb##...",
    "..#bbbwwwwbbb#..",
    ".#bbbwwbbwwbbb#.",
    ".#bbbwwbbwwbbb#.",
    "#bbbbbbbbwwbbbb#",
    "#bbbbbbbwwbbbbb#",
    "#bbbbbbwwbbbbbb#",
    "#bbbbbbwwbbbbbb#",
    "#bbbbbbwwbbbbbb#",
    ".#bbbbbbbbbbbb#.",
    ".#bbbbbwwbbbbb#.",
    "..#bbbbwwbbbb#..",
    "...##bbbbbb##...",
    ".....######.....",
    "................",
]
write_xpm("help", {".": "None", "#": "#000080", "b": "#3060C0", "w": "#FFFFFF"}, HELP)

# "Сохранить": a diskette.
SAVE = [
    "................",
    ".##############.",
    ".#kwwwwwwwwwwk#.",
    ".#kwwwwwwwwwwk#.",
    ".#kwwwwwwwwwwk#.",
    ".#kwwwwwwwwwwk#.",
    ".#kkkkkkkkkkkk#.",
    ".#kkkkkkkkkkkk#.",
    ".#kkkgggggkkkk#.",
    ".#kkkgkkggkkkk#.",
    ".#kkkgkkggkkkk#.",
    ".#kkkgggggkkkk#.",
    ".#kkkkkkkkkkkk#.",
    ".##############.",
    "................",
    "................",
]
write_xpm("save", {".": "None", "#": "#000000", "k": "#305080", "w": "#FFFFFF",
                   "g": "#C0C0C0"}, SAVE)

# The program icon: a 2x2 table, cream cells and aqua margins, with a bar chart.
ICON = [
    "................................",
    ".##############################.",
    ".#cccccccc#cccccccc#aaaaaaaaaa#.",
    ".#cccccccc#cccccccc#aaaaaaaaaa#.",
    ".#cccccccc#cccccccc#aaaaaaaaaa#.",
    ".#cccccccc#cccccccc#aaaaaaaaaa#.",
    ".#cccccccc#cccccccc#aaaaaaaaaa#.",
    ".##############################.",
    ".#cccccccc#cccccccc#ssssssssss#.",
    ".#cccccccc#cccccccc#ssssssssss#.",
    ".#cccccccc#cccccccc#ssssssssss#.",
    ".#cccccccc#cccccccc#ssssssssss#.",
    ".#cccccccc#cccccccc#ssssssssss#.",
    ".##############################.",
    ".#aaaaaaaa#ssssssss#aaaaaaaaaa#.",
    ".#aaaaaaaa#ssssssss#aaaaaaaaaa#.",
    ".##############################.",
    "................................",
    "..............BB................",
    "...........RR.BB.GG.............",
    "...........RR.BB.GG.............",
    "........RR.RR.BB.GG.GG..........",
    "........RR.RR.BB.GG.GG..........",
    ".....RR.RR.RR.BB.GG.GG.GG.......",
    ".....RR.RR.RR.BB.GG.GG.GG.......",
    "..RR.RR.RR.RR.BB.GG.GG.GG.GG....",
    "..RR.RR.RR.RR.BB.GG.GG.GG.GG.GG.",
    "..RR.RR.RR.RR.BB.GG.GG.GG.GG.GG.",
    ".##############################.",
    "..MMMMMMMM..............MMMMMMM.",
    "................................",
    "................................",
]
write_xpm("velmar", {".": "None", "#": "#000080", "c": "#FFFBF0", "a": "#00FFFF",
                     "s": "#C0C0C0", "R": "#FF0000", "B": "#0000FF", "G": "#008000",
                     "M": "#800000"}, ICON)

# The cursor "PALEC": a monochrome pointing hand, fingertip at x 5, y 0.
PALEC = [
    ".....#..........................",
    "....#w#.........................",
    "....#w#.........................",
    "....#w#.........................",
    "....#w#.........................",
    "....#w###.......................",
    "....#w#w####....................",
    "....#w#w#w#w##..................",
    ".##.#w#w#w#w#w#.................",
    "#ww##wwwwwwwww#.................",
    "#www#wwwwwwwww#.................",
    ".#wwwwwwwwwwww#.................",
    "..#wwwwwwwwwww#.................",
    "..#wwwwwwwwwww#.................",
    "...#wwwwwwwwww#.................",
    "...#wwwwwwwww#..................",
    "....#wwwwwwww#..................",
    "....#wwwwwwww#..................",
    ".....#wwwwww#...................",
    ".....########...................",
] + ["." * 32] * 12
write_xpm("palec", {".": "None", "#": "#000000", "w": "#FFFFFF"}, PALEC)
