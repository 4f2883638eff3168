// The toolkit in one include: the subset of VSTGUI 4 the editor is written against, with
// VSTGUI's class and method names, drawn with Cairo.
//
// How it runs: a CFrame given an X11 window id opens its own display connection and a
// child window of that size; everything happens on the thread that calls the editor's
// open, idle and close. AEffGUIEditor::idle (the host's editor idle) pumps the pending
// X events to the views and redraws what is dirty; a tick with nothing changed draws
// nothing. There are no threads and no timers. Without a window id (or an X server) the
// frame lives off-screen; createOffscreenImage draws it for screenshots.
//
// Where it differs from VSTGUI:
// - CBitmap loads "<resource folder>/<name>" as PNG; set the folder with
//   CBitmap::setResourceFolder (by default: Resources beside the module's folder).
// - COptionMenu::popup returns at once; the choice arrives through valueChanged on a
//   later idle.
// - AEffGUIEditor knows the effect only as `class AudioEffect` (aeffeditor.h is the one
//   editor interface, shared with the effect's base class); the effect takes its editor
//   with setEditor, and the plug-in's editor implements effectBeginEdit / effectEndEdit /
//   effectSizeWindow to reach it.
#pragma once

#include "aeffguieditor.h"
#include "cbitmap.h"
#include "cbuttons.h"
#include "ccontrol.h"
#include "cdrawcontext.h"
#include "cframe.h"
#include "cknob.h"
#include "cmoviebitmap.h"
#include "coptionmenu.h"
#include "cslider.h"
#include "ctextlabel.h"
#include "cview.h"
