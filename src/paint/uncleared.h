// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QPainter>

namespace tandri::paint {

/// While alive, `image` still holds an earlier frame, and what is drawn into it first clears it:
/// a round shape row by row, each row just before drawing into it while the row is in the cache
/// (a frame is megabytes, cleared first it has left the cache by the time anything lands on it);
/// anything else whole, first (`settle`). Whatever is still uncleared is cleared when it ends.
/// One per thread at a time; the painter on `image` must end before it does.
class Uncleared {
public:
    explicit Uncleared(QImage& image);
    ~Uncleared();
    Uncleared(const Uncleared&) = delete;
    Uncleared& operator=(const Uncleared&) = delete;

    /// Clears the painter's bitmap now if it is still uncleared: to be called before anything
    /// but the round shapes draws into it.
    static void settle(const QPainter& painter);
    /// Clears `image` whole now if it is still uncleared.
    static void clear(QImage& image);

    /// For a shape drawn into a bitmap that may still be uncleared: rows `top` to `bottom` are
    /// cleared one by one as the shape reaches them (`row`, which it calls for each of them
    /// before drawing into it, from any thread), the others at once, on construction.
    class Rows {
    public:
        Rows(QImage& image, int top, int bottom);
        void row(int y) const;

    private:
        uchar* bits_ = nullptr;
        qsizetype stride_ = 0;
    };

    /// Clears the bitmap whole on leaving, if nothing took the clearing on: for shapes that may
    /// return before drawing anything.
    struct OnReturn {
        QImage& image;
        ~OnReturn() { clear(image); }
    };

private:
    QImage* previous_;
};

}  // namespace tandri::paint
