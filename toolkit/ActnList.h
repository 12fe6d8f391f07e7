// TCustomActionList: a component holding named QActions.
//
// The list stands between a triggered action and its handler: triggering an
// action calls the list's ExecuteAction, whose default runs the list's
// OnExecute event and then, unless that handled it, the action's own handler.
// A subclass can refuse execution by not calling the base. UpdateActions
// asks UpdateAction of every action (the original did so when idle); the
// default runs OnUpdate and the action's own update handler.
// The list owns the actions it creates (QObject parent).
#pragma once

#include "toolkit/toolkit_export.h"

#include <QAction>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

namespace toolkit {

class TOOLKIT_EXPORT TCustomActionList : public QObject
{
    Q_OBJECT
public:
    using TActionHandler = std::function<void(QAction *action)>;
    // handled is in/out: set it to stop the default processing.
    using TActionEvent = std::function<void(QAction *action, bool &handled)>;

    explicit TCustomActionList(QObject *owner = nullptr);
    ~TCustomActionList() override;

    // Creates an action named `name` (its component name) owned by the list.
    QAction *AddAction(const QString &name, const QString &caption, TActionHandler onExecute = {},
                       TActionHandler onUpdate = {});
    // Takes an existing action into the list (the list becomes its parent).
    void InsertAction(QAction *action, TActionHandler onExecute = {}, TActionHandler onUpdate = {});
    void RemoveAction(QAction *action);
    QAction *FindAction(const QString &name) const;
    int ActionCount() const { return int(FActions.size()); }
    QAction *Actions(int index) const { return FActions.value(index); }

    void SetOnExecuteHandler(QAction *action, TActionHandler handler);
    void SetOnUpdateHandler(QAction *action, TActionHandler handler);

    // Whether a form designer holds the component; authorising lists skip
    // their checks then.
    bool IsDesigning() const { return FDesigning; }
    void SetDesigning(bool v) { FDesigning = v; }

    virtual bool UpdateAction(QAction *action);
    virtual bool ExecuteAction(QAction *action);

    // Runs ExecuteAction as a trigger of the action would.
    bool Execute(QAction *action);
    void UpdateActions();

    TActionEvent OnExecute;
    TActionEvent OnUpdate;

private:
    struct THandlers
    {
        TActionHandler Execute;
        TActionHandler Update;
    };

    QList<QAction *> FActions;
    QHash<QAction *, THandlers> FHandlers;
    bool FDesigning = false;
};

} // namespace toolkit
