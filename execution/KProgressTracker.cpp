#include "KProgressTracker.h"

#include <numeric>

#include "engine/DiskEngine.h"

KProgressTracker::KProgressTracker(std::function<uint32_t()> tickCount)
    : m_tickCount(tickCount ? std::move(tickCount) : std::function<uint32_t()>(&::GetTickCount))
{
}

void KProgressTracker::ResetProgress()
{
    m_weights.clear();
    m_weightSum = m_stepWeight = 0;
    m_stepTotal = 0;
    m_child = m_overall = m_base = m_nextStep = 0;
    m_startTick = m_lastSecond = 0;
}

int KProgressTracker::AddStep(double weight)
{
    m_weights.push_back(weight);
    return int(m_weights.size());
}

void KProgressTracker::RemoveStep(int index)
{
    if (index >= 0 && index < int(m_weights.size()))
        m_weights.erase(m_weights.begin() + index);
}

void KProgressTracker::FinishProgress()
{
    const int done = m_weights.empty() ? 0 : 100;
    OnProgress(done, done);
    ResetProgress();
}

void KProgressTracker::BeginStep(int index)
{
    if (index == -1)
        index = m_nextStep;
    if (index == 0 && m_weights.empty())
        m_weights.push_back(1.0);
    if (index < 0 || index >= int(m_weights.size()))
        return;
    if (m_startTick == 0) {
        m_lastSecond = 0;
        m_startTick = m_tickCount();
    }
    m_weightSum = std::accumulate(m_weights.begin(), m_weights.end(), 0.0);
    const double before = std::accumulate(m_weights.begin(), m_weights.begin() + index, 0.0);
    m_base = m_weightSum > 0 ? int(before / m_weightSum * 100) : 0;
    m_child = 0;
    m_nextStep = index + 1;
    m_stepWeight = m_weights[size_t(index)];
}

void KProgressTracker::CompleteStep()
{
    SetStepPosition(m_stepTotal);
}

uint32_t KProgressTracker::elapsedSeconds() const
{
    return (m_tickCount() - m_startTick) / 1000;
}

void KProgressTracker::SetStepPosition(int64_t position)
{
    const uint32_t elapsed = elapsedSeconds();
    const int percent = m_stepTotal != 0 ? int(double(position) / double(m_stepTotal) * 100) : 0;
    if (elapsed == m_lastSecond && percent == m_child)
        return;
    m_lastSecond = elapsed;
    m_child = percent;
    m_overall = m_weightSum > 0 ? int(m_base + m_stepWeight / m_weightSum * percent) : percent;
    OnProgress(m_overall, m_child);
}

void KProgressTracker::Tick()
{
    if (m_startTick == 0)
        m_startTick = m_tickCount();
    const uint32_t elapsed = elapsedSeconds();
    if (elapsed == m_lastSecond)
        return;
    m_lastSecond = elapsed;
    OnProgress(m_overall, m_child);
}

void KProgressTracker::SetProcessName(int operation)
{
    m_child = 0;
    OnProcessName(operation);
}
