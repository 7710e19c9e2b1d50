#ifndef QPICTUREFLOWANIMATOR_H
#define QPICTUREFLOWANIMATOR_H

#include <QTimer>

struct QPictureFlowState;

// Moves the layout of a cover-flow view toward a target slide, one step per tick of its timer.
// The travel slows down as it nears the target; a new target while running only retargets.
class QPictureFlowAnimator {
public:
    static constexpr int kTickInterval = 30; // milliseconds

    QPictureFlowAnimator();

    // The layout to move (not owned).
    void setState(QPictureFlowState* state) { m_state = state; }

    // Travel toward `slide`; starts the timer when idle, else only moves the target.
    void start(int slide);
    // Arrive at `slide` at once and stop.
    void stop(int slide);
    // One step of the travel; does nothing unless running.
    void advance();

    int target() const { return m_target; }
    void setTarget(int target) { m_target = target; }
    int step() const { return m_step; }   // -1, 0 (idle) or +1
    int frame() const { return m_frame; } // position along the row, 16.16 fixed point
    bool isRunning() const { return m_tickTimer.isActive(); }
    QTimer* tickTimer() { return &m_tickTimer; }

private:
    QPictureFlowState* m_state = nullptr;
    int m_target = 0;
    int m_step = 0;
    int m_frame = 0;
    QTimer m_tickTimer;
};

#endif // QPICTUREFLOWANIMATOR_H
