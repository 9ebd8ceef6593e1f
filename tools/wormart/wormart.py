#!/usr/bin/env python3
"""Draws the worm: a small helmeted soldier, as SVG frames of two sprite sheets.

worm.frames/NNN.svg holds the body (skin, boots, belt, eyes, outlines); worm_team.frames/
NNN.svg the parts the game tints with the team colour (helmet and tunic), in light greys so
the tint keeps their shading. The game draws the team layer first and the body over it, so
the body leaves those parts open and draws only their outlines. Every frame is a 64 x 80
cell facing right with the feet on row 78. The frame list below is the order of both
sheets; animationen.ani addresses the frames by these numbers (printed with --table).

Usage: wormart.py DATA_ART_DIR [--table] [--preview OUT.svg] [--ani OUT.txt]
"""
import math
import os
import sys

W, H = 64, 80
INK = "#1d1a17"
SKIN = "#f2c79a"
SKIN_SHADE = "#d9a274"
SICK = "#b8d98a"
SICK_SHADE = "#8fb55f"
BOOT = "#3b2d22"
BELT = "#5a4127"
TROUSER = "#4f5a3a"
TROUSER_SHADE = "#3c4530"


def f(v):
    return ("%.2f" % v).rstrip("0").rstrip(".")


class Pose:
    """Everything one frame varies. Angles in degrees, 0 = straight down for limbs."""

    def __init__(self, **kw):
        self.dx = 0.0          # whole body shift
        self.dy = 0.0
        self.tilt = 0.0        # body lean (degrees, + = forward)
        self.head_tilt = 0.0
        self.squash = 1.0      # body height factor
        self.front_leg = (4.0, 0.0)   # front foot offset from the hip line (x, lift)
        self.back_leg = (-4.0, 0.0)
        self.front_arm = 20.0  # arm angle from hanging down, + = forward
        self.back_arm = -20.0
        self.front_elbow = 0.0
        self.back_elbow = 0.0
        self.eyes = "open"     # open, closed, half, x, spiral, wide
        self.look = 1.0        # pupil shift (-1 .. 1)
        self.mouth = "smile"   # smile, o, flat, frown, wide, grin, none
        self.skin = "normal"   # normal, sick
        self.extras = []       # jetpack, flame:n, bubbles:n, sweat, stars:n, grave:rise,
                               # smoke:n, grenade:y, cough
        self.body = True       # False: only the extras (a grave)
        self.rotate = 0.0      # whole figure rotation about the feet (falling over)
        self.sink = 0.0        # drawn this far lower
        self.fade = 1.0        # the body's opacity
        for k, v in kw.items():
            setattr(self, k, v)


def rot(x, y, cx, cy, deg):
    a = math.radians(deg)
    c, s = math.cos(a), math.sin(a)
    return cx + (x - cx) * c - (y - cy) * s, cy + (x - cx) * s + (y - cy) * c


def limb(x0, y0, angle, length, elbow=0.0):
    """A two-part limb hanging from (x0, y0); angle 0 hangs straight down, + swings forward."""
    a = math.radians(angle)
    mx, my = x0 + math.sin(a) * length * 0.5, y0 + math.cos(a) * length * 0.5
    b = math.radians(angle + elbow)
    ex, ey = mx + math.sin(b) * length * 0.5, my + math.cos(b) * length * 0.5
    return (mx, my), (ex, ey)


def stroke_path(points, colour, width, extra=""):
    d = "M" + " L".join("%s %s" % (f(x), f(y)) for x, y in points)
    return ('<path d="%s" fill="none" stroke="%s" stroke-width="%s" stroke-linecap="round" '
            'stroke-linejoin="round"%s/>' % (d, colour, f(width), extra))


class Figure:
    def __init__(self, p):
        self.p = p
        self.hip = (32 + p.dx, 60 + p.dy)
        top = 60 - 20 * p.squash
        self.chest = (32 + p.dx + math.sin(math.radians(p.tilt)) * 20 * p.squash, top + p.dy)
        hx, hy = self.chest
        self.head = (hx + math.sin(math.radians(p.tilt)) * 6, hy - 16)
        self.shoulder = (hx + 1.5, hy + 6)

    def torso_path(self):
        (hx, hy), (cx, cy) = self.hip, self.chest
        # A rounded tunic from the chest to below the hip.
        pts = [(cx - 9, cy + 2), (cx + 9, cy + 2), (hx + 10, hy + 3), (hx - 10, hy + 3)]
        (a, b, c, d) = pts
        return ("M%s %s Q%s %s %s %s L%s %s Q%s %s %s %s Z" %
                (f(a[0]), f(a[1]), f(cx), f(cy - 4), f(b[0]), f(b[1]), f(c[0]), f(c[1]),
                 f(hx), f(hy + 6), f(d[0]), f(d[1])))

    def helmet_path(self):
        x, y = self.head
        return ("M%s %s A13 12 0 0 1 %s %s L%s %s Q%s %s %s %s Z" %
                (f(x - 14), f(y + 1), f(x + 13), f(y + 1), f(x + 17), f(y + 3), f(x), f(y + 5),
                 f(x - 15), f(y + 3)))

    def transform(self):
        p = self.p
        t = []
        if p.rotate:
            # Falling over backwards about the heels, sliding so that the lying body ends
            # up on the ground within the cell.
            k = -p.rotate / 90.0
            scale = 1.0 - 0.12 * k
            length = 66.0 * scale
            shift = max(0.0, length * math.sin(math.radians(-p.rotate)) - 24.0)
            t.append("translate(%s %s)" % (f(shift), f(-13 * k)))
            t.append("rotate(%s 32 78)" % f(p.rotate))
            t.append("translate(32 78) scale(%s) translate(-32 -78)" % f(scale))
        if p.sink:
            t.append("translate(0 %s)" % f(p.sink))
        return ' transform="%s"' % " ".join(t) if t else ""


def legs(fig, out):
    p = fig.p
    hx, hy = fig.hip
    for (fx, lift), shade in ((p.back_leg, TROUSER_SHADE), (p.front_leg, TROUSER)):
        foot = (hx + fx, 77 - lift + p.dy * 0.3)
        knee = ((hx + fx * 0.5 + 2), (hy + foot[1]) / 2 - lift * 0.2)
        out.append(stroke_path([(hx + fx * 0.2, hy), knee, foot], INK, 7.2))
        out.append(stroke_path([(hx + fx * 0.2, hy), knee, foot], shade, 4.6))
        out.append('<ellipse cx="%s" cy="%s" rx="5" ry="2.8" fill="%s" stroke="%s" stroke-width="1.3"/>'
                   % (f(foot[0] + 1.5), f(foot[1]), BOOT, INK))


def arm(fig, out, angle, elbow, front):
    sx, sy = fig.shoulder
    if not front:
        sx -= 4
    mid, hand = limb(sx, sy, angle, 15, elbow)
    skin = SICK if fig.p.skin == "sick" else SKIN
    sleeve = "#6b7a4c" if front else "#56623d"
    out.append(stroke_path([(sx, sy), mid, hand], INK, 6.6))
    out.append(stroke_path([(sx, sy), mid, hand], sleeve, 4.2))
    out.append('<circle cx="%s" cy="%s" r="2.9" fill="%s" stroke="%s" stroke-width="1.2"/>'
               % (f(hand[0]), f(hand[1]), skin, INK))
    return hand


def face(fig, out):
    p = fig.p
    x, y = fig.head
    skin = SICK if p.skin == "sick" else SKIN
    shade = SICK_SHADE if p.skin == "sick" else SKIN_SHADE
    ex = x + 4
    ey = y + 7
    # Eyes: two big whites, the pupils looking where the worm looks.
    for i, cx in enumerate((ex - 4.2, ex + 3.2)):
        if p.eyes in ("open", "wide", "half", "spiral"):
            r = 3.4 if p.eyes == "wide" else 2.9
            out.append('<ellipse cx="%s" cy="%s" rx="%s" ry="%s" fill="#ffffff" stroke="%s" stroke-width="0.9"/>'
                       % (f(cx), f(ey), f(r * 0.85), f(r), INK))
            if p.eyes == "spiral":
                out.append('<path d="M%s %s a1.2 1.2 0 1 1 1.2 1.2 a2 2 0 1 1 -2 -2" fill="none" stroke="%s" '
                           'stroke-width="0.8"/>' % (f(cx), f(ey), INK))
            else:
                out.append('<circle cx="%s" cy="%s" r="1.35" fill="%s"/>' % (f(cx + p.look * 1.1), f(ey + 0.3), INK))
            if p.eyes == "half":
                out.append('<path d="M%s %s h%s v%s h%s Z" fill="%s" stroke="%s" stroke-width="0.8"/>'
                           % (f(cx - 2.6), f(ey - 3.2), f(5.2), f(3.2), f(-5.2), shade, INK))
        elif p.eyes == "closed":
            out.append('<path d="M%s %s q2 1.6 4 0" fill="none" stroke="%s" stroke-width="1.2" '
                       'stroke-linecap="round"/>' % (f(cx - 2), f(ey), INK))
        elif p.eyes == "x":
            out.append('<path d="M%s %s l3 3 M%s %s l-3 3" stroke="%s" stroke-width="1.3" stroke-linecap="round"/>'
                       % (f(cx - 1.5), f(ey - 1.5), f(cx + 1.5), f(ey - 1.5), INK))
    # Nose and mouth.
    out.append('<ellipse cx="%s" cy="%s" rx="2.1" ry="1.6" fill="%s" stroke="%s" stroke-width="0.8"/>'
               % (f(ex + 6.6), f(ey + 3), shade, INK))
    mx, my = ex + 1.5, ey + 7
    m = p.mouth
    if m == "smile":
        out.append('<path d="M%s %s q3 2.6 6 0" fill="none" stroke="%s" stroke-width="1.2" stroke-linecap="round"/>'
                   % (f(mx - 3), f(my - 1), INK))
    elif m == "grin":
        out.append('<path d="M%s %s q3.5 4 7 0 Z" fill="#ffffff" stroke="%s" stroke-width="1"/>'
                   % (f(mx - 3.5), f(my - 1.5), INK))
    elif m == "o":
        out.append('<ellipse cx="%s" cy="%s" rx="1.7" ry="2.2" fill="#5a1f1a" stroke="%s" stroke-width="0.9"/>'
                   % (f(mx), f(my), INK))
    elif m == "wide":
        out.append('<ellipse cx="%s" cy="%s" rx="3" ry="3.2" fill="#5a1f1a" stroke="%s" stroke-width="1"/>'
                   % (f(mx), f(my + 0.5), INK))
    elif m == "frown":
        out.append('<path d="M%s %s q3 -2.4 6 0" fill="none" stroke="%s" stroke-width="1.2" stroke-linecap="round"/>'
                   % (f(mx - 3), f(my + 1), INK))
    elif m == "flat":
        out.append('<path d="M%s %s h5" stroke="%s" stroke-width="1.2" stroke-linecap="round"/>'
                   % (f(mx - 2.5), f(my), INK))
    # Cheek blush.
    if p.skin != "sick":
        out.append('<ellipse cx="%s" cy="%s" rx="2" ry="1.2" fill="#e8806a" opacity="0.45"/>' % (f(ex - 6), f(ey + 4)))


def extras_back(fig, out):
    p = fig.p
    cx, cy = fig.chest
    for e in p.extras:
        if e == "jetpack":
            out.append('<rect x="%s" y="%s" width="9" height="17" rx="3" fill="#9aa3ad" stroke="%s" stroke-width="1.4"/>'
                       % (f(cx - 16), f(cy + 1), INK))
            out.append('<rect x="%s" y="%s" width="3" height="15" rx="1.2" fill="#dfe5ea" opacity="0.7"/>'
                       % (f(cx - 14.5), f(cy + 2)))
            out.append('<rect x="%s" y="%s" width="7" height="4" fill="#555d66" stroke="%s" stroke-width="1.2"/>'
                       % (f(cx - 15), f(cy + 17), INK))
        elif e.startswith("flame:"):
            n = int(e.split(":")[1])
            length = 10 + (n % 3) * 3
            x0, y0 = cx - 11.5, cy + 21
            out.append('<path d="M%s %s q3 %s 0 %s q-3 %s 0 %s Z" fill="#ffb000" stroke="#ff5a00" stroke-width="1.2"/>'
                       % (f(x0 - 3), f(y0), f(length * 0.5), f(length), f(-length * 0.5), f(-length)))
            out.append('<path d="M%s %s q1.5 %s 0 %s q-1.5 %s 0 %s Z" fill="#fff3b0"/>'
                       % (f(x0 - 1.2), f(y0), f(length * 0.3), f(length * 0.6), f(-length * 0.3), f(-length * 0.6)))


def extras_front(fig, out):
    p = fig.p
    hx, hy = fig.head
    for e in p.extras:
        if e.startswith("bubbles:"):
            n = int(e.split(":")[1])
            for i in range(3):
                by = hy - 6 - ((n * 4 + i * 7) % 16)
                bx = hx + 8 + i * 4 - (n % 2)
                out.append('<circle cx="%s" cy="%s" r="%s" fill="#d8f2ff" fill-opacity="0.5" stroke="#ffffff" '
                           'stroke-width="0.9"/>' % (f(bx), f(by), f(1.4 + i * 0.6)))
        elif e == "sweat":
            out.append('<path d="M%s %s q2 3 0 4.5 q-2 -1.5 0 -4.5 Z" fill="#a6dcff" stroke="%s" stroke-width="0.7"/>'
                       % (f(hx - 9), f(hy - 6), INK))
        elif e.startswith("stars:"):
            n = int(e.split(":")[1])
            for i in range(3):
                a = math.radians(n * 40 + i * 120)
                sx, sy = hx + math.cos(a) * 13, hy - 14 + math.sin(a) * 4
                out.append('<path d="M%s %s l1 2.2 2.4 .3 -1.8 1.6 .5 2.4 -2.1 -1.2 -2.1 1.2 .5 -2.4 -1.8 -1.6 2.4 -.3 Z" '
                           'fill="#ffe14d" stroke="%s" stroke-width="0.6"/>' % (f(sx), f(sy - 3), INK))
        elif e.startswith("grenade:"):
            gy = float(e.split(":")[1])
            out.append('<ellipse cx="%s" cy="%s" rx="3.2" ry="3.8" fill="#4d5d33" stroke="%s" stroke-width="1.2"/>'
                       % (f(hx + 14), f(gy), INK))
            out.append('<rect x="%s" y="%s" width="3" height="2" fill="#9aa3ad" stroke="%s" stroke-width="0.7"/>'
                       % (f(hx + 12.5), f(gy - 5.5), INK))
        elif e.startswith("weapon:"):
            kind, aim = e.split(":")[1], float(e.split(":")[2])
            out.append(held_weapon(fig, kind, aim))
        elif e == "cough":
            out.append('<g fill="#cfe8a0" stroke="%s" stroke-width="0.6" opacity="0.85">'
                       '<circle cx="%s" cy="%s" r="2.4"/><circle cx="%s" cy="%s" r="1.7"/><circle cx="%s" cy="%s" r="1.2"/></g>'
                       % (INK, f(hx + 17), f(hy + 12), f(hx + 21), f(hy + 9), f(hx + 24), f(hy + 12)))


def grave(out, team, rise):
    """A headstone with the fallen worm's helmet on it; rise 0..1 lifts it out of the ground."""
    top = 78 - 34 * rise
    if team:
        # The helmet on the stone, in the team colour.
        out.append('<path d="M21 %s A11 9 0 0 1 43 %s L45 %s Q32 %s 19 %s Z" fill="url(#teamShade)"/>'
                   % (f(top + 1), f(top + 1), f(top + 3), f(top + 5.5), f(top + 3)))
        return
    out.append('<path d="M20 78 V%s Q20 %s 32 %s Q44 %s 44 %s V78 Z" fill="#8d8f93" stroke="%s" stroke-width="1.6"/>'
               % (f(top + 12), f(top + 2), f(top + 2), f(top + 2), f(top + 12), INK))
    out.append('<path d="M23 77 V%s Q23 %s 31 %s" fill="none" stroke="#c4c6ca" stroke-width="2" opacity="0.8"/>'
               % (f(top + 13), f(top + 6), f(top + 5)))
    out.append('<path d="M32 %s V%s M27.5 %s H36.5" stroke="#4b4d52" stroke-width="2.2" stroke-linecap="round"/>'
               % (f(top + 14), f(top + 27), f(top + 18)))
    out.append('<path d="M21 %s A11 9 0 0 1 43 %s L45 %s Q32 %s 19 %s Z" fill="none" stroke="%s" stroke-width="1.5"/>'
               % (f(top + 1), f(top + 1), f(top + 3), f(top + 5.5), f(top + 3), INK))
    out.append('<ellipse cx="32" cy="78.2" rx="15" ry="1.6" fill="#5b4630"/>')


def smoke(out, n):
    for i in range(5):
        a = math.radians(i * 72 + n * 20)
        r = 6 + n * 3
        out.append('<circle cx="%s" cy="%s" r="%s" fill="#d9d4cc" fill-opacity="%s" stroke="#8a857d" stroke-width="0.8"/>'
                   % (f(32 + math.cos(a) * r), f(56 + math.sin(a) * r * 0.7), f(7 - n), f(0.85 - n * 0.12)))


DEFS_TEAM = ('<defs><linearGradient id="teamShade" x1="0" y1="0" x2="0.4" y2="1">'
             '<stop offset="0" stop-color="#ffffff"/><stop offset="0.55" stop-color="#dadada"/>'
             '<stop offset="1" stop-color="#9c9c9c"/></linearGradient></defs>')


def frame(p, team):
    fig = Figure(p)
    out = []
    g = fig.transform()
    if p.fade < 1.0:
        g += ' opacity="%s"' % f(p.fade)
    if p.body:
        if team:
            out.append('<g%s>' % g)
            out.append('<path d="%s" fill="url(#teamShade)"/>' % fig.torso_path())
            out.append('<path d="%s" fill="url(#teamShade)"/>' % fig.helmet_path())
            # A lighter band and a darker rim make the helmet read as round.
            x, y = fig.head
            out.append('<path d="M%s %s A10 8 0 0 1 %s %s" fill="none" stroke="#ffffff" stroke-width="2" '
                       'stroke-linecap="round" opacity="0.9"/>' % (f(x - 8), f(y - 3), f(x + 2), f(y - 9)))
            out.append('</g>')
        else:
            torso = fig.torso_path()
            helmet = fig.helmet_path()
            out.append('<defs><mask id="noTorso" maskUnits="userSpaceOnUse" x="0" y="0" width="64" height="80">'
                       '<rect width="64" height="80" fill="#fff"/><path d="%s" fill="#000"/></mask>'
                       '<mask id="noHelmet" maskUnits="userSpaceOnUse" x="0" y="0" width="64" height="80">'
                       '<rect width="64" height="80" fill="#fff"/><path d="%s" fill="#000"/></mask></defs>'
                       % (torso, helmet))
            out.append('<g%s>' % g)
            extras_back(fig, out)
            back = []
            arm(fig, back, p.back_arm, p.back_elbow, False)
            legs(fig, back)
            out.append('<g mask="url(#noTorso)">%s</g>' % "".join(back))
            out.append('<path d="%s" fill="none" stroke="%s" stroke-width="1.8" stroke-linejoin="round"/>' % (torso, INK))
            hx, hy = fig.hip
            out.append('<path d="M%s %s h20" stroke="%s" stroke-width="3.2"/>' % (f(hx - 10), f(hy + 1), INK))
            out.append('<path d="M%s %s h20" stroke="%s" stroke-width="1.8"/>' % (f(hx - 10), f(hy + 1), BELT))
            out.append('<rect x="%s" y="%s" width="4" height="3.4" fill="#d9b45a" stroke="%s" stroke-width="0.8"/>'
                       % (f(hx + 1), f(hy - 0.7), INK))
            x, y = fig.head
            skin = SICK if p.skin == "sick" else SKIN
            head = []
            head.append('<ellipse cx="%s" cy="%s" rx="13" ry="12.5" fill="%s" stroke="%s" stroke-width="1.8"/>'
                        % (f(x + 1), f(y + 6), skin, INK))
            out.append('<g transform="rotate(%s %s %s)">' % (f(p.head_tilt), f(x), f(y + 6)))
            out.append('<g mask="url(#noHelmet)">%s</g>' % "".join(head))
            face(fig, out)
            out.append('<path d="%s" fill="none" stroke="%s" stroke-width="1.8" stroke-linejoin="round"/>' % (helmet, INK))
            out.append('<path d="M%s %s h4" stroke="%s" stroke-width="1.2"/>' % (f(x - 11), f(y - 1), INK))
            out.append('</g>')
            fig.weapon_hand = arm(fig, out, p.front_arm, p.front_elbow, True)
            extras_front(fig, out)
            out.append('</g>')
    for e in p.extras:
        if e.startswith("helmet:"):
            # The helmet blown off, turning in the air.
            y = float(e.split(":")[1])
            shape = ('M21 %s A11 9 0 0 1 43 %s L45 %s Q32 %s 19 %s Z' % (f(y + 1), f(y + 1), f(y + 3), f(y + 5.5), f(y + 3)))
            if team:
                out.append('<path d="%s" fill="url(#teamShade)" transform="rotate(-25 32 %s)"/>' % (shape, f(y)))
            else:
                out.append('<path d="%s" fill="none" stroke="%s" stroke-width="1.5" transform="rotate(-25 32 %s)"/>'
                           % (shape, INK, f(y)))
        if e.startswith("grave:"):
            grave(out, team, float(e.split(":")[1]))
        elif e.startswith("smoke:") and not team:
            smoke(out, int(e.split(":")[1]))
    body = "".join(out)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="64" height="80" viewBox="0 0 64 80">'
            + (DEFS_TEAM if team else "") + body + '</svg>\n')



# The weapons a worm holds, drawn pointing along +x from the hand (the aim turns them).
WEAPON_SHAPES = {
    "bazooka": ('<rect x="-15" y="-3.6" width="30" height="7.2" rx="2" fill="#5f7430" stroke="%(ink)s" stroke-width="1.3"/>'
                '<rect x="12" y="-4.6" width="5" height="9.2" rx="1.2" fill="#9aa6b2" stroke="%(ink)s" stroke-width="1.2"/>'
                '<rect x="-3" y="3" width="3.5" height="5" rx="1" fill="#3b2a1a" stroke="%(ink)s" stroke-width="1"/>'
                '<rect x="-12" y="-2.6" width="20" height="1.6" fill="#ffffff" opacity="0.35"/>'),
    "lenkrakete": ('<rect x="-15" y="-3.8" width="30" height="7.6" rx="2" fill="#4a6fa8" stroke="%(ink)s" stroke-width="1.3"/>'
                   '<rect x="12" y="-4.8" width="5" height="9.6" rx="1.2" fill="#c9ced3" stroke="%(ink)s" stroke-width="1.2"/>'
                   '<rect x="-2" y="-8" width="6" height="4.4" rx="1" fill="#2a3440" stroke="%(ink)s" stroke-width="1"/>'
                   '<circle cx="1" cy="-5.8" r="1.2" fill="#ff3a2a"/>'
                   '<rect x="-3" y="3" width="3.5" height="5" rx="1" fill="#3b2a1a" stroke="%(ink)s" stroke-width="1"/>'),
    "gewehr": ('<path d="M-12 -1.5 L0 -2.5 L0 2.5 L-5 2.5 L-9 5 L-12 4 Z" fill="#7a5230" stroke="%(ink)s" stroke-width="1.2"/>'
               '<rect x="-1" y="-2.2" width="19" height="2.8" rx="0.8" fill="#8e9aa6" stroke="%(ink)s" stroke-width="1"/>'
               '<rect x="2" y="-4.6" width="5" height="2.4" rx="0.8" fill="#3a3f45"/>'),
    "granate": ('<ellipse cx="2" cy="-1" rx="4.2" ry="4.8" fill="#5f7430" stroke="%(ink)s" stroke-width="1.2"/>'
                '<rect x="0.5" y="-7.5" width="3" height="2.6" fill="#9aa3ad" stroke="%(ink)s" stroke-width="0.8"/>'),
    "dynamit": ('<rect x="-2" y="-3" width="11" height="5" rx="1.5" fill="#d8342c" stroke="%(ink)s" stroke-width="1.1"/>'
                '<path d="M8 -3 q2 -4 4 -4" fill="none" stroke="#e8d9b0" stroke-width="1"/>'
                '<circle cx="12" cy="-7" r="1.6" fill="#ffd23a" stroke="#ff7a1a" stroke-width="0.6"/>'),
    "mine": ('<path d="M-3 3 L11 3 L10 -1 C8 -4 0 -4 -2 -1 Z" fill="#9aa6b2" stroke="%(ink)s" stroke-width="1.1"/>'
             '<circle cx="4" cy="-4" r="1.3" fill="#ff3a2a"/>'),
    "flammenwerfer": ('<circle cx="-9" cy="4.5" r="4.6" fill="#d8342c" stroke="%(ink)s" stroke-width="1.2"/>'
                      '<rect x="-14" y="-2.8" width="26" height="5.6" rx="1.5" fill="#8e9aa6" stroke="%(ink)s" '
                      'stroke-width="1.2"/>'
                      '<rect x="11" y="-4" width="6" height="8" rx="1" fill="#3a3f45" stroke="%(ink)s" '
                      'stroke-width="1"/>'
                      '<rect x="-3" y="2.4" width="3.5" height="5" rx="1" fill="#3b2a1a" stroke="%(ink)s" '
                      'stroke-width="1"/>'
                      '<path d="M17.5 0 q3 -2.6 6 0 q-3 2.6 -6 0 Z" fill="#ffb02a"/>'),
    "schlaeger": ('<rect x="-5" y="-2" width="6" height="4" rx="1" fill="#3b2a1a" stroke="%(ink)s" stroke-width="1"/>'
                  '<path d="M0 -1.8 L15 -3.4 C21 -4.2 23 -2 23 0 C23 2 21 4.2 15 3.4 L0 1.8 Z" fill="#b07838" '
                  'stroke="%(ink)s" stroke-width="1.2"/>'
                  '<path d="M3 -1 L16 -2.2" stroke="#ffffff" stroke-width="0.9" opacity="0.35"/>'),
}
WEAPON_KINDS = ("bazooka", "lenkrakete", "gewehr", "granate", "dynamit", "mine", "flammenwerfer", "schlaeger")
# The club's blow: from over the shoulder down in front, played once when it strikes.
SWING_AIMS = (-150, -120, -80, -30, 15, 35)
# The aims of a weapon pose's frames: from straight down to straight up, as the worm picks a
# frame by its aim (the first for +90, the middle for 0, the last for -90).
WEAPON_AIMS = (90, 60, 30, 0, -30, -60, -90)


def held_weapon(fig, kind, aim):
    x, y = fig.weapon_hand
    return ('<g transform="translate(%s %s) rotate(%s)">%s</g>'
            % (f(x), f(y), f(aim), WEAPON_SHAPES[kind] % {"ink": INK}))


def weapon_pose(kind, aim):
    """Both arms along the aim, the weapon in the front hand; the eyes follow the aim."""
    arm_angle = 90 - aim
    return Pose(front_arm=arm_angle, back_arm=arm_angle - 12, back_elbow=-10, look=1.0, mouth="flat",
                head_tilt=aim * 0.08, extras=["weapon:%s:%s" % (kind, f(aim))])


def cycle(n, i):
    return math.sin(2 * math.pi * i / n)


def animations():
    """(name, frames, speed, once) in sheet order."""
    A = []
    # Standing: breathing, a blink on the last frame.
    A.append(("STEHEN", [Pose(squash=1.0 - 0.03 * (i % 2 == 1) - 0.05 * (i == 2), dy=0.6 * (i == 2),
                             eyes="closed" if i == 3 else "open") for i in range(4)], 5, False))
    walk = []
    for i in range(8):
        s = cycle(8, i)
        c = math.cos(2 * math.pi * i / 8)
        walk.append(Pose(dy=-abs(c) * 1.2, tilt=4, front_leg=(6 * s, max(0, 3 * c)), back_leg=(-6 * s, max(0, -3 * c)),
                         front_arm=-25 * s, back_arm=25 * s, front_elbow=-20, back_elbow=-20))
    A.append(("LAUFEN", walk, 14, False))
    run = []
    for i in range(8):
        s = cycle(8, i)
        c = math.cos(2 * math.pi * i / 8)
        run.append(Pose(dy=-abs(c) * 2.5, tilt=14, front_leg=(10 * s, max(0, 6 * c)), back_leg=(-10 * s, max(0, -6 * c)),
                        front_arm=-45 * s + 10, back_arm=45 * s + 10, front_elbow=-60, back_elbow=-60, mouth="grin",
                        extras=["sweat"] if i in (2, 3) else []))
    A.append(("RENNEN", run, 20, False))
    A.append(("SPRINGEN", [
        Pose(squash=0.85, dy=3, front_leg=(6, 0), back_leg=(-6, 0), front_arm=-30, back_arm=-40, mouth="flat"),
        Pose(squash=1.05, dy=-3, tilt=8, front_leg=(3, 4), back_leg=(-5, 1), front_arm=150, back_arm=140, mouth="grin"),
        Pose(squash=1.0, dy=-4, front_leg=(7, 9), back_leg=(-2, 7), front_arm=120, back_arm=100, mouth="grin"),
        Pose(squash=0.95, dy=-3, front_leg=(6, 6), back_leg=(-4, 5), front_arm=70, back_arm=60, mouth="o"),
    ], 10, True))
    A.append(("FALLEN", [Pose(dy=-3, front_leg=(5 + 2 * cycle(4, i), 5), back_leg=(-5, 7 - 2 * cycle(4, i)),
                              front_arm=150 + 20 * cycle(4, i), back_arm=160 - 20 * cycle(4, i), eyes="wide", mouth="wide",
                              look=0) for i in range(4)], 12, False))
    A.append(("JETPACK", [Pose(dy=-4, tilt=6, front_leg=(3, 6), back_leg=(-4, 8), front_arm=70, back_arm=60,
                               front_elbow=-30, mouth="grin", extras=["jetpack", "flame:%d" % i]) for i in range(4)],
              14, False))
    A.append(("KLETTERN", [Pose(tilt=-4, front_leg=(3, 6 * (i % 2)), back_leg=(-3, 6 * ((i + 1) % 2)),
                                front_arm=160 - 30 * (i % 2), back_arm=170 - 30 * ((i + 1) % 2), look=0, mouth="flat",
                                eyes="half") for i in range(4)], 8, False))
    drown = []
    for i in range(8):
        s = cycle(8, i)
        drown.append(Pose(dy=2, front_arm=150 + 25 * s, back_arm=150 - 25 * s, eyes="wide", mouth="wide" if i % 2 else "o",
                          look=0, sink=2 * s, extras=["bubbles:%d" % i]))
    A.append(("ERSOFFEN", drown, 8, False))
    # Dying: a wobble, over he goes, a moment lying still, then the grave rises.
    tot = [
        Pose(eyes="wide", mouth="o", front_arm=40, back_arm=-10),
        Pose(tilt=-8, head_tilt=-8, eyes="spiral", mouth="frown", front_arm=60, back_arm=20, extras=["stars:0"]),
        Pose(tilt=10, head_tilt=10, eyes="spiral", mouth="frown", front_arm=20, back_arm=-30, extras=["stars:1"]),
        Pose(rotate=-30, eyes="x", mouth="o", front_arm=80, back_arm=60),
        Pose(rotate=-60, eyes="x", mouth="o", front_arm=110, back_arm=90),
        Pose(rotate=-88, eyes="x", mouth="flat", front_arm=120, back_arm=100, dy=0),
        Pose(rotate=-90, eyes="x", mouth="flat", front_arm=100, back_arm=90),
        Pose(rotate=-90, eyes="x", mouth="flat", front_arm=100, back_arm=90, fade=0.5, extras=["grave:0.5"]),
        Pose(body=False, extras=["grave:0.9"]),
        Pose(body=False, extras=["grave:1"]),
    ]
    A.append(("TOT_0", tot, 8, True))
    poof = [
        Pose(eyes="wide", mouth="wide", squash=1.05, front_arm=50, back_arm=-40),
        Pose(eyes="wide", mouth="wide", squash=1.12, dy=-1, front_arm=90, back_arm=90),
        Pose(eyes="closed", mouth="wide", squash=1.2, dy=-2, front_arm=120, back_arm=120, extras=["smoke:0"]),
        Pose(body=False, extras=["smoke:1", "helmet:14"]),
        Pose(body=False, extras=["smoke:2", "grave:0.3"]),
        Pose(body=False, extras=["smoke:3", "grave:0.7"]),
        Pose(body=False, extras=["grave:1"]),
        Pose(body=False, extras=["grave:1"]),
    ]
    A.append(("TOT_1", poof, 10, True))
    # Fidgets.
    look = [Pose(look=l, head_tilt=h) for l, h in ((0, 0), (-1, -4), (-1, -6), (-1, -4), (0, 0), (1, 4), (1, 6), (0, 0))]
    A.append(("DADDEL_0", look, 6, True))
    scratch = [Pose(front_arm=a, front_elbow=e, eyes=ey, mouth="flat", head_tilt=ht) for a, e, ey, ht in (
        (60, -40, "open", 0), (140, -80, "half", -4), (150, -95, "half", -6), (140, -80, "closed", -6),
        (150, -95, "half", -4), (60, -40, "open", 0))]
    A.append(("DADDEL_1", scratch, 7, True))
    yawn = [Pose(eyes=ey, mouth=m, squash=sq, back_arm=ba, front_arm=fa, dy=dy) for ey, m, sq, ba, fa, dy in (
        ("half", "o", 1.0, -20, 20, 0), ("closed", "wide", 1.06, 150, 150, -1), ("closed", "wide", 1.08, 165, 165, -2),
        ("closed", "wide", 1.06, 150, 150, -1), ("half", "o", 1.0, -20, 20, 0), ("open", "smile", 1.0, -20, 20, 0))]
    A.append(("DADDEL_2", yawn, 6, True))
    salute = [Pose(front_arm=a, front_elbow=e, mouth=m, eyes="open", squash=s) for a, e, m, s in (
        (20, 0, "smile", 1.0), (120, -120, "flat", 1.03), (135, -140, "flat", 1.04), (135, -140, "flat", 1.04),
        (120, -120, "smile", 1.02), (20, 0, "smile", 1.0))]
    A.append(("DADDEL_3", salute, 6, True))
    toss = []
    for i, gy in enumerate((48, 38, 26, 20, 26, 38, 48, 48)):
        toss.append(Pose(front_arm=60 if gy >= 48 else 100, front_elbow=-60, look=0.5, eyes="open",
                         mouth="grin" if i < 6 else "smile", extras=["grenade:%d" % gy]))
    A.append(("DADDEL_4", toss, 10, True))
    # Sick.
    A.append(("KRANK_0", [Pose(skin="sick", tilt=3 * cycle(4, i), head_tilt=4 * cycle(4, i), eyes="half", mouth="frown",
                               front_arm=5, back_arm=-5) for i in range(4)], 4, False))
    A.append(("KRANK_1", [Pose(skin="sick", tilt=t, head_tilt=t, eyes=e, mouth=m, front_arm=a, extras=x)
                          for t, e, m, a, x in ((0, "half", "frown", 5, []), (12, "closed", "o", 40, []),
                                                (18, "closed", "wide", 50, ["cough"]), (6, "half", "frown", 20, []))],
              6, True))
    A.append(("KRANK_2", [Pose(skin="sick", tilt=8 * cycle(6, i), head_tilt=10 * cycle(6, i), eyes="spiral",
                               mouth="flat", extras=["stars:%d" % i], front_arm=30, back_arm=-30) for i in range(6)],
              8, True))
    # Weapons held, one frame per aim (waffen.waf positions them by the aim; they do not play).
    for kind in WEAPON_KINDS:
        A.append(("WAFFE_" + kind.upper(), [weapon_pose(kind, a) for a in WEAPON_AIMS], 1, True))
    A.append(("WAFFE_SCHLAEGER_SCHLAG", [weapon_pose("schlaeger", a) for a in SWING_AIMS], 18, True))
    return A


def crosshair(i, team):
    """A 32 x 32 sight, turning; the team layer is its outer ring."""
    a = i * 22.5
    if team:
        body = ('<circle cx="16" cy="16" r="13" fill="none" stroke="#ffffff" stroke-width="2.4" '
                'stroke-dasharray="7 3.2" transform="rotate(%s 16 16)"/>' % f(a))
    else:
        body = ('<g transform="rotate(%s 16 16)"><circle cx="16" cy="16" r="9" fill="none" stroke="#1d1a17" '
                'stroke-width="3.4"/><circle cx="16" cy="16" r="9" fill="none" stroke="#ff3b2f" stroke-width="1.8"/>'
                '<path d="M16 2 V9 M16 23 V30 M2 16 H9 M23 16 H30" stroke="#1d1a17" stroke-width="3.2" '
                'stroke-linecap="round"/><path d="M16 2.5 V8.5 M16 23.5 V29.5 M2.5 16 H8.5 M23.5 16 H29.5" '
                'stroke="#ffffff" stroke-width="1.4" stroke-linecap="round"/></g>'
                '<circle cx="16" cy="16" r="1.6" fill="#ff3b2f" stroke="#1d1a17" stroke-width="0.8"/>' % f(a))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" '
            'viewBox="0 0 32 32">' + body + '</svg>\n')


def arrow(i, switch):
    """A 64 x 32 arrow pointing down at the worm, bobbing; white so the team colour tints it."""
    dy = 3 * math.sin(2 * math.pi * i / 8)
    if switch:
        shape = ('<path d="M14 %s l-8 8 8 8 M50 %s l8 8 -8 8" fill="none" stroke="#1d1a17" stroke-width="6" '
                 'stroke-linecap="round" stroke-linejoin="round"/>'
                 '<path d="M14 %s l-8 8 8 8 M50 %s l8 8 -8 8" fill="none" stroke="#ffffff" stroke-width="3.2" '
                 'stroke-linecap="round" stroke-linejoin="round"/>' % ((f(6 + dy),) * 4))
        shape += ('<path d="M24 %s h16 v8 h7 l-15 11 -15 -11 h7 Z" fill="#ffffff" stroke="#1d1a17" '
                  'stroke-width="2.2" stroke-linejoin="round"/>' % f(4 + dy))
    else:
        shape = ('<path d="M25 %s h14 v9 h9 l-16 13 -16 -13 h9 Z" fill="#ffffff" stroke="#1d1a17" stroke-width="2.4" '
                 'stroke-linejoin="round"/><path d="M28 %s h3 v9" fill="none" stroke="#000000" stroke-opacity="0.15" '
                 'stroke-width="2"/>' % (f(3 + dy), f(5 + dy)))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<svg xmlns="http://www.w3.org/2000/svg" width="64" height="32" '
            'viewBox="0 0 64 32">' + shape + '</svg>\n')


KREIS = ('<?xml version="1.0" encoding="UTF-8"?>\n<!-- The charge dot drawn along the aim: a soft white disc, tinted '
         'by the game. -->\n<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32"><defs>'
         '<radialGradient id="g"><stop offset="0" stop-color="#fff"/><stop offset="0.6" stop-color="#fff" '
         'stop-opacity="0.9"/><stop offset="1" stop-color="#fff" stop-opacity="0"/></radialGradient></defs>'
         '<circle cx="16" cy="16" r="15" fill="url(#g)"/></svg>\n')


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as out:
        out.write(text)


def preview(cells, columns, scale, tints):
    """One SVG of every frame, the team layer tinted as the game does, on a sky colour."""
    rows = (len(cells) + columns - 1) // columns
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d"><rect width="100%%" height="100%%" '
           'fill="#9fcbe8"/>' % (columns * W * scale, rows * H * scale)]
    for k, (r, g, b) in enumerate(tints):
        out.append('<filter id="tint%d"><feColorMatrix type="matrix" values="%s 0 0 0 0 0 %s 0 0 0 0 0 %s 0 0 0 0 0 1 0"/>'
                   '</filter>' % (k, f(r), f(g), f(b)))
    for i, (main, team) in enumerate(cells):
        x, y = (i % columns) * W * scale, (i // columns) * H * scale
        inner = []
        for layer, text in (("t", team), ("m", main)):
            body = text.split("?>", 1)[-1]
            body = body[body.index(">", body.index("<svg")) + 1:body.rindex("</svg>")]
            for name in ("noTorso", "noHelmet", "teamShade", "above"):
                body = body.replace("#%s" % name, "#%s%s%d" % (name, layer, i)).replace('id="%s"' % name,
                                                                                   'id="%s%s%d"' % (name, layer, i))
            if layer == "t":
                body = '<g filter="url(#tint%d)">%s</g>' % (i % len(tints), body)
            inner.append(body)
        out.append('<g transform="translate(%d %d) scale(%d)">%s</g>' % (x, y, scale, "".join(inner)))
    out.append("</svg>")
    return "".join(out)


def sheet(name, texture, w, h, columns, rows):
    return ('\t<ANIMATION_FRAMES>\n\t\t<NAME> "%s" <\\NAME>\n\t\t<ANIMATIONFILE>\n'
            '\t\t\t<SEARCHPATH> "texturen\\worm" <\\SEARCHPATH>\n\t\t\t<TEXTUR_FILE> "%s" <\\TEXTUR_FILE>\n'
            '\t\t\t<FIRST_FRAME> "0" "0" "%d" "%d" <\\FIRST_FRAME>\n\t\t\t<ANZAHL> "%d" "%d" <\\ANZAHL>\n'
            '\t\t<\\ANIMATIONFILE>\n\t<\\ANIMATION_FRAMES>\n\n' % (name, texture, w, h, columns, rows))


def animation(name, frames_name, frames, speed, once):
    """A looping order ends with its first frame again; a played-once one stops on its last."""
    order = list(frames) + ([] if once else [frames[0]])
    text = ('\t<ANIMATION>\n\t\t<NAME> "%s" <\\NAME>\n\t\t<ANIMATION_FRAME_NAME> "%s" <\\ANIMATION_FRAME_NAME>\n'
            '\t\t<FRAMES> %s <\\FRAMES>\n\t\t<SPEED> "%s" <\\SPEED>\n' %
            (name, frames_name, " ".join('"%d"' % i for i in order), f(speed)))
    if once:
        text += '\t\t<PLAY_TYP> "CLAMP" <\\PLAY_TYP>\n\t\t<MAXFRAMES> "%d" <\\MAXFRAMES>\n' % (len(order) - 1)
    else:
        text += '\t\t<MAXFRAMES> "0" <\\MAXFRAMES>\n'
    return text + '\t<\\ANIMATION>\n\n'


def ani_block(table):
    """The worm's part of animationen.ani: WORM_<ENTRY> for the body, WORM_<ENTRY>_TEAM for the
    team layer, the crosshair and the two arrows."""
    count = sum(len(frames) for _, frames, _, _ in table)
    rows = (count + 15) // 16
    out = ["\tThe worm (drawn by tools/wormart): body and team-coloured layer, frame for frame.\n"]
    out.append(sheet("WORM", "worm.png", 64, 80, 16, rows))
    out.append(sheet("WORM_TEAM", "worm_team.png", 64, 80, 16, rows))
    out.append(sheet("WORM_FADENKREUZ", "fadenkreuz.png", 32, 32, 8, 1))
    out.append(sheet("WORM_FADENKREUZ_TEAM", "fadenkreuz_team.png", 32, 32, 8, 1))
    out.append(sheet("PFEIL", "pfeil.png", 64, 32, 8, 1))
    out.append(sheet("SWITCHPFEIL", "switchpfeil.png", 64, 32, 8, 1))
    for name, frames, speed, once in table:
        out.append(animation("WORM_" + name, "WORM", frames, speed, once))
        out.append(animation("WORM_" + name + "_TEAM", "WORM_TEAM", frames, speed, once))
    out.append(animation("WORM_FADENKREUZ", "WORM_FADENKREUZ", range(8), 10, False))
    out.append(animation("WORM_FADENKREUZ_TEAM", "WORM_FADENKREUZ_TEAM", range(8), 10, False))
    out.append(animation("Pfeilanimation", "PFEIL", range(8), 10, False))
    out.append(animation("SwitchPfeilanimation", "SWITCHPFEIL", range(8), 10, False))
    return "".join(out)


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    art = sys.argv[1]
    worm_dir = os.path.join(art, "texturen", "worm")
    index = 0
    table = []
    cells = []
    for name, poses, speed, once in animations():
        first = index
        for p in poses:
            main_svg, team_svg = frame(p, False), frame(p, True)
            cells.append((main_svg, team_svg))
            write(os.path.join(worm_dir, "worm.frames", "%03d.svg" % index), main_svg)
            write(os.path.join(worm_dir, "worm_team.frames", "%03d.svg" % index), team_svg)
            index += 1
        table.append((name, list(range(first, index)), speed, once))
    for i in range(8):
        write(os.path.join(worm_dir, "fadenkreuz.frames", "%02d.svg" % i), crosshair(i, False))
        write(os.path.join(worm_dir, "fadenkreuz_team.frames", "%02d.svg" % i), crosshair(i, True))
        write(os.path.join(worm_dir, "pfeil.frames", "%02d.svg" % i), arrow(i, False))
        write(os.path.join(worm_dir, "switchpfeil.frames", "%02d.svg" % i), arrow(i, True))
    write(os.path.join(art, "Kreis.svg"), KREIS)
    if "--preview" in sys.argv:
        target = sys.argv[sys.argv.index("--preview") + 1]
        write(target, preview(cells, 12, 2, [(0.85, 0.25, 0.25), (0.2, 0.45, 0.95), (0.95, 0.8, 0.1),
                                              (0.25, 0.7, 0.25)]))
    if "--ani" in sys.argv:
        write(sys.argv[sys.argv.index("--ani") + 1], ani_block(table))
    if "--table" in sys.argv:
        for name, frames, speed, once in table:
            print(name, frames[0], frames[-1], speed, "once" if once else "loop")
    return 0


if __name__ == "__main__":
    sys.exit(main())
