#include "vcl/VCL.Units.h"

#include "vcl/VCL.Controls.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.ImgList.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Menus.h"
#include "vcl/VCL.Clipbrd.h"
#include "vcl/VCL.ExtCtrls.h"
#include "vcl/VCL.StdCtrls.h"
#include "vcl/VCL.Forms.h"

namespace {
const TUnit GVclUnits[] = {
    {"VCL.Units", nullptr, nullptr},
    {"VCL.Graphics", detail::GraphicsInit, detail::GraphicsFin},
    {"VCL.Imaging", detail::ImagingInit, nullptr},
    {"VCL.Controls", detail::ControlsInit, detail::ControlsFin},
    {"VCL.ImgList", detail::ImgListInit, nullptr},
    {"VCL.ActnList", detail::ActnListInit, detail::ActnListFin},
    {"VCL.Menus", detail::MenusInit, detail::MenusFin},
    {"VCL.Clipbrd", nullptr, detail::ClipbrdFin},
    {"VCL.ExtCtrls", detail::ExtCtrlsInit, nullptr},
    {"VCL.StdCtrls", detail::StdCtrlsInit, nullptr},
    {"VCL.Forms", detail::FormsInit, detail::FormsFin},
};
}

TUnitList VclUnits() { return GVclUnits; }
