#pragma once

#include <QWidget>
#include <array>
#include <memory>

class QLabel;

namespace tandri {

class Observation;
struct Platform;

/// The page where the user tries the ring while the guide waits on top: a row for each way of
/// using it, ticked when the ring reports that it happened.
class TryItStep : public QWidget {
public:
    enum Row { Open, Switch, KeepOpen };

    explicit TryItStep(Platform& platform, QWidget* parent = nullptr);
    ~TryItStep() override;

    bool done(Row row) const { return done_[row]; }

private:
    void tick(Row row);

    std::array<bool, 3> done_{};
    std::array<QLabel*, 3> marks_{};
    std::unique_ptr<Observation> opened_;
    std::unique_ptr<Observation> picked_;
};

}  // namespace tandri
