#include "download/task_queue.h"

#include "download/task_controller.h"

#include <QTimer>

#include <algorithm>

TaskQueue::TaskQueue(QObject* parent) : QObject(parent) {}

TaskQueue::~TaskQueue() {
    for (const QPointer<TaskController>& task : m_tasks) {
        if (task)
            task->setStartGate({});
    }
}

void TaskQueue::setMaxTasks(int count) {
    m_maxTasks = std::clamp(count, kMinTasks, kMaxTasks);
    scheduleUpdate();
}

void TaskQueue::add(TaskController* task) {
    if (!task || m_members.contains(task))
        return;
    task->setStartGate([this] { return running() < m_maxTasks; });
    m_tasks.append(task);
    m_members.insert(task);
    connect(task, &TaskController::stateChanged, this, &TaskQueue::scheduleUpdate);
    connect(task, &TaskController::finished, this, &TaskQueue::scheduleUpdate);
    connect(task, &QObject::destroyed, this, [this](QObject* gone) {
        m_members.remove(gone);
        scheduleUpdate();
    });
    scheduleUpdate();
}

void TaskQueue::remove(TaskController* task) {
    if (!task)
        return;
    disconnect(task, nullptr, this, nullptr);
    task->setStartGate({});
    m_tasks.removeAll(task);
    m_members.remove(task);
    scheduleUpdate();
}

int TaskQueue::running() const {
    return int(std::count_if(m_tasks.begin(), m_tasks.end(),
                             [](const auto& task) { return task && task->holdsASlot(); }));
}

// One look per turn of the event loop, however many tasks changed in it.
void TaskQueue::scheduleUpdate() {
    if (m_updateScheduled)
        return;
    m_updateScheduled = true;
    QTimer::singleShot(0, this, &TaskQueue::startWaitingTasks);
}

void TaskQueue::startWaitingTasks() {
    m_updateScheduled = false;
    m_tasks.removeAll(nullptr);
    int busy = running();
    for (const QPointer<TaskController>& task : QList(m_tasks)) {
        if (busy >= m_maxTasks)
            break;
        if (!task || !task->isQueued())
            continue;
        task->startQueued();
        if (task && task->holdsASlot())
            ++busy;
    }
}
