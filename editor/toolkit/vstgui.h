// The toolkit in one include: the subset of VSTGUI 4 the editor is written against.
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
