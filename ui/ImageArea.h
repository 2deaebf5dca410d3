#pragma once
// An image area: shows the Picture it owns at the picture's own size,
// top-left anchored and cut off at the area's edges; repaints on change.
#include <QWidget>

#include "picture.h"

class TImageArea : public QWidget {
    Q_OBJECT
public:
    explicit TImageArea(QWidget* parent = nullptr);
    ~TImageArea() override;

    ::Picture& picture() { return picture_; }
    const ::Picture& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ::Picture picture_;
};
