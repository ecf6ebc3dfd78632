// The download queue: at most maxTasks() tasks transfer at once. Every task
// added gets the queue's gate (TaskController::setStartGate), so that a task
// whose stream is chosen, or that is resumed, while the limit is reached
// waits in Waiting; the queue lets the waiting tasks go on in the order they
// were added whenever a transfer ends, fails, pauses or its task is removed.
// Analyses are not limited. The Downloading list and `clipwright-cli get`
// share it.
//
// Threads: the controllers' thread (the GUI thread, or the command line's);
// the queue looks at its tasks after every state change, from the event
// loop, so that a task never starts inside its own signal.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>

class TaskController;

class TaskQueue : public QObject {
    Q_OBJECT
public:
    static constexpr int kMinTasks = 1;
    static constexpr int kMaxTasks = 20;
    static constexpr int kDefaultTasks = 5;

    explicit TaskQueue(QObject* parent = nullptr);
    // The tasks left lose the gate and go on unlimited.
    ~TaskQueue() override;

    // The limit, clamped to kMinTasks..kMaxTasks. A lower limit lets
    // running transfers finish; a higher one starts waiting tasks at once.
    void setMaxTasks(int count);
    int maxTasks() const { return m_maxTasks; }

    // Appends `task` to the queue's order and gates its start. The task may
    // be destroyed without remove(); it then leaves the queue by itself.
    void add(TaskController* task);
    // Takes `task` out (a deleted row): the next waiting task may start.
    void remove(TaskController* task);

    // Tasks transferring or combining now.
    int running() const;

private:
    void scheduleUpdate();
    void startWaitingTasks();

    QList<QPointer<TaskController>> m_tasks;
    // The same tasks, for a membership test that stays cheap in long lists.
    QSet<const QObject*> m_members;
    int m_maxTasks = kDefaultTasks;
    bool m_updateScheduled = false;
};
