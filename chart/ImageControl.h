#pragma once

#include <QImage>

// An image control: a bitmap shown 1:1 from its top-left corner. The control's
// size is what the painter draws to; the bitmap follows it on FitBitmap.
class clImageControl {
public:
    virtual ~clImageControl() = default;
    virtual int ControlWidth() const = 0;
    virtual int ControlHeight() const = 0;
    virtual QImage &Bitmap() = 0;
};

// An image control without a window, for rendering offscreen.
class TOffscreenImage : public clImageControl {
public:
    TOffscreenImage(int width, int height) : m_width(width), m_height(height) {}
    void SetControlSize(int width, int height)
    {
        m_width = width;
        m_height = height;
    }
    int ControlWidth() const override { return m_width; }
    int ControlHeight() const override { return m_height; }
    QImage &Bitmap() override { return m_bitmap; }

private:
    int m_width;
    int m_height;
    QImage m_bitmap;
};
