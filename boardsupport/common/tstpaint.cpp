// The indicators' drawing (tstpaint.h).

#include "tstpaint.h"

TSTPAINTER::TSTPAINTER(HDC hdcIn)
    : hdc(hdcIn),
      hpenBlack(CreatePen(PS_SOLID, 1, RGB(0, 0, 0))),
      hpenGrey(CreatePen(PS_SOLID, 1, RGB(200, 200, 200))),
      hbrFace(GetSysColorBrush(COLOR_BTNFACE)),
      hbrBlack(CreateSolidBrush(RGB(0, 0, 0))),
      hbrYellow(CreateSolidBrush(RGB(255, 255, 0))),
      hbrGreen(CreateSolidBrush(RGB(0, 255, 0))),
      hbrRed(CreateSolidBrush(RGB(255, 0, 0))),
      hpenOld(SelectObject(hdc, hpenBlack)),
      hbrOld(SelectObject(hdc, hbrFace))
{
}

TSTPAINTER::~TSTPAINTER()
{
    SelectObject(hdc, hpenOld);
    SelectObject(hdc, hbrOld);
    DeleteObject(hpenBlack);
    DeleteObject(hpenGrey);
    DeleteObject(hbrBlack);
    DeleteObject(hbrYellow);
    DeleteObject(hbrGreen);
    DeleteObject(hbrRed);
}

void TSTPAINTER::Shape(int x, int y, int cx, int cy, bool fEllipse, HPEN hpen, HBRUSH hbr)
{
    SelectObject(hdc, hpen);
    SelectObject(hdc, hbr != nullptr ? hbr : GetStockObject(NULL_BRUSH));
    if (fEllipse)
        Ellipse(hdc, x, y, x + cx, y + cy);
    else
        Rectangle(hdc, x, y, x + cx, y + cy);
}

void TSTPAINTER::Draw(const TSTIND &ind, TSTSHAPE shape)
{
    int32_t st = ind.st;
    int x = ind.x, y = ind.y;
    switch (shape) {
    case shapeResult: {
        HBRUSH hbr = st == stBusy ? hbrYellow : st == stGood ? hbrGreen : st == stBad ? hbrRed : hbrFace;
        Shape(x, y, dxInd, dyInd, true, st == stOff ? hpenGrey : hpenBlack, hbr);
        break;
    }
    case shapeButton:
        if (st == stUp || st == stDown)
            Shape(x, y, dxInd, dyInd, true, hpenBlack, st == stDown ? hbrBlack : hbrFace);
        else
            Shape(x, y, dxInd, dyInd, true, hpenGrey, hbrFace);
        break;
    case shapeSwitch: {
        HPEN hpen = st == stOff ? hpenGrey : hpenBlack;
        Shape(x, y, dxInd, dySwitch, false, hpen, hbrFace);
        if (st == stUp)
            Shape(x, y, dxInd, dyInd, false, hpen, hbrBlack);
        else
            Shape(x, y + dySwitch - dyInd, dxInd, dyInd, false, hpen, st == stDown ? hbrBlack : nullptr);
        break;
    }
    }
}
