#pragma once

#include <QWidget>

namespace tandri {

struct Platform;

/// The guide's first page: what the ring is, shown moving, and where the program lives.
class WelcomeStep : public QWidget {
public:
    explicit WelcomeStep(Platform& platform, QWidget* parent = nullptr);
};

}  // namespace tandri
