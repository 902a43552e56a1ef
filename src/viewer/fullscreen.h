// Out of the way of full-screen programs. While hideOverFullscreen is on and
// the window floats, window event hooks say what the foreground window does:
// one, for every program, when a window comes to the foreground; two more,
// for that window's program only, when one of its windows is moved or
// resized, hidden or destroyed. At each such event the foreground window is looked at: while it
// belongs to another program and covers the whole monitor the plugin's window
// is on (a video, a game, a presentation), the window is hidden, and it shows
// again when that ends. An alert shows it meanwhile. The hooks are out of
// context: their events arrive as calls on the shell's thread while it waits
// for messages, and nothing runs between them.
#pragma once

// Starts or stops watching as the setting and the docking say, and decides at once.
void watchForFullscreen();
void stopWatchingFullscreen();
// Decides afresh whether the window keeps out of the way: after an alert
// came or was acknowledged, and after the display changed.
void keepOutOfTheWay();
