#include "mdl2.h"

#include "program.h"
#include "region_from_picture.h"
#include "screens/runtime.h"
#include "screens/window_region.h"
#include "testrun/main_layout.h"

void Main(Program &program)
{
    Runtime &runtime = program.runtime;

    program.frmLoad.Show();
    runtime.DoEvents();

    program.frmMain.Load();
    PictureBox &pic = *program.frmMain->ui().pic;
    // (1, 1) is in pic's own scale, twips: the top-left pixel, which holds the key colour.
    const qint64 TransparentColor = pic.Point(1, 1);
    const QRegion region = RegionFromPicture(pic, TransparentColor);
    SetWindowRgn(*program.frmMain, region, true);

    program.frmLoad.Unload();
    runtime.DoEvents();

    program.frmUser.Show();
}
