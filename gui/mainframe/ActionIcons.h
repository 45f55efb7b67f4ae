// The tool bar's pictures, drawn in code: one per action that the main tool bar shows.
#pragma once

#include <QIcon>
#include <QList>

class QAction;

// The picture of an action by its object name; a null icon for actions without one.
QIcon ActionIcon(const QString& strActionName);
// Gives every action in the list that has a picture its icon.
void SetActionIcons(const QList<QAction*>& actions);
