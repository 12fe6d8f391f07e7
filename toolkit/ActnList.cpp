#include "ActnList.h"
#include "Exception.h"

namespace toolkit {

TCustomActionList::TCustomActionList(QObject *owner)
    : QObject(owner)
{
}

TCustomActionList::~TCustomActionList() = default;

QAction *TCustomActionList::AddAction(const QString &name, const QString &caption, TActionHandler onExecute,
                                      TActionHandler onUpdate)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(name);
    InsertAction(action, std::move(onExecute), std::move(onUpdate));
    return action;
}

void TCustomActionList::InsertAction(QAction *action, TActionHandler onExecute, TActionHandler onUpdate)
{
    if (!action || FActions.contains(action))
        return;
    action->setParent(this);
    FActions.append(action);
    FHandlers.insert(action, {std::move(onExecute), std::move(onUpdate)});
    connect(action, &QAction::triggered, this, [this, action] { Execute(action); });
    connect(action, &QObject::destroyed, this, [this, action] {
        FActions.removeAll(action);
        FHandlers.remove(action);
    });
}

void TCustomActionList::RemoveAction(QAction *action)
{
    if (!FActions.removeAll(action))
        return;
    FHandlers.remove(action);
    disconnect(action, nullptr, this, nullptr);
    action->setParent(nullptr);
}

QAction *TCustomActionList::FindAction(const QString &name) const
{
    for (QAction *a : FActions)
        if (a->objectName() == name)
            return a;
    return nullptr;
}

void TCustomActionList::SetOnExecuteHandler(QAction *action, TActionHandler handler)
{
    if (FHandlers.contains(action))
        FHandlers[action].Execute = std::move(handler);
}

void TCustomActionList::SetOnUpdateHandler(QAction *action, TActionHandler handler)
{
    if (FHandlers.contains(action))
        FHandlers[action].Update = std::move(handler);
}

bool TCustomActionList::UpdateAction(QAction *action)
{
    bool handled = false;
    if (OnUpdate)
        OnUpdate(action, handled);
    if (handled)
        return true;
    const auto it = FHandlers.constFind(action);
    if (it != FHandlers.cend() && it->Update) {
        it->Update(action);
        return true;
    }
    return false;
}

bool TCustomActionList::ExecuteAction(QAction *action)
{
    bool handled = false;
    if (OnExecute)
        OnExecute(action, handled);
    if (handled)
        return true;
    const auto it = FHandlers.constFind(action);
    if (it != FHandlers.cend() && it->Execute) {
        // Copy: the handler may replace itself or delete the action.
        const TActionHandler handler = it->Execute;
        handler(action);
        return true;
    }
    return false;
}

bool TCustomActionList::Execute(QAction *action)
{
    if (!action || !FActions.contains(action))
        return false;
    try {
        return ExecuteAction(action);
    } catch (const Exception &e) {
        HandleException(e);
        return false;
    }
}

void TCustomActionList::UpdateActions()
{
    const QList<QAction *> actions = FActions;
    for (QAction *a : actions) {
        QPointer<QAction> guard(a);
        if (guard)
            UpdateAction(a);
    }
}

} // namespace toolkit
