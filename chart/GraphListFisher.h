#pragma once

#include "chart/GraphList.h"
#include "core/Fisher.h"

// The distribution chart's axes: every whole a that fits, ten probability levels.
class clGraphListFisher : public clGraphList {
public:
    explicit clGraphListFisher(const TFisherDistribution &dist) : m_dist(dist) {}
    void DrawAxes(TColor colour) override;

private:
    const TFisherDistribution &m_dist;
};
