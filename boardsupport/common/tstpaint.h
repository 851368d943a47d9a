// Drawing of the self-test pages' indicators: result lamps and buttons as
// 15 by 15 circles, switches as 15 by 30 levers, in the colours of their
// states.
#ifndef TSTPAINT_H
#define TSTPAINT_H

#include <windows.h>

#include "tstind.h"

enum TSTSHAPE { shapeResult, shapeButton, shapeSwitch };

// The pens and brushes of one paint.
class TSTPAINTER {
public:
    explicit TSTPAINTER(HDC hdc);
    ~TSTPAINTER();
    TSTPAINTER(const TSTPAINTER &) = delete;
    TSTPAINTER &operator=(const TSTPAINTER &) = delete;
    void Draw(const TSTIND &ind, TSTSHAPE shape);

private:
    void Shape(int x, int y, int cx, int cy, bool fEllipse, HPEN hpen, HBRUSH hbr);

    HDC hdc;
    HPEN hpenBlack, hpenGrey;
    HBRUSH hbrFace, hbrBlack, hbrYellow, hbrGreen, hbrRed;
    HGDIOBJ hpenOld, hbrOld;
};

#endif
