#pragma once

#include "store/runtime_error.h"

#include <QAbstractButton>
#include <QString>
#include <QWidget>

#include <map>
#include <vector>

// Copies the look and place of a template control onto a new one in the same container, and
// stacks the copy directly above the template, so that whatever lay above the template (a frame
// shown later) still lies above its copies.
void copyControlLook(const QWidget &from, QWidget &to);

// A control array: element 0 is the hidden template placed in the layout; elements 1..n are
// loaded at run time as hidden copies of it and unloaded again. An unloaded element's widget is
// kept hidden for the next load, which makes it afresh from the template: the answers of every
// question are loaded and unloaded, and making widgets anew each time is what a submit would
// spend most of its time on.
template <class T> class ControlArray final
{
public:
    ControlArray(QString name, T &element0) : m_name(std::move(name)) { m_items[0] = &element0; }
    ControlArray(const ControlArray &) = delete;
    ControlArray &operator=(const ControlArray &) = delete;
    ~ControlArray()
    {
        for (auto &[index, control] : m_items)
            if (index != 0)
                delete control;
        qDeleteAll(m_spare);
    }

    // Elements present, element 0 included.
    int Count() const { return static_cast<int>(m_items.size()); }

    T &Item(int index) const
    {
        const auto found = m_items.find(index);
        if (found == m_items.end())
            throw Errors::noSuchElement(m_name, index);
        return *found->second;
    }
    T &operator()(int index) const { return Item(index); }

    void Load(int index)
    {
        if (m_items.count(index))
            throw Errors::elementAlreadyLoaded(m_name, index);
        if (index < 0 || index > 32767)
            throw Errors::noSuchElement(m_name, index);
        T &element0 = *m_items.at(0);
        T *copy = m_spare.empty() ? new T(element0.parentWidget()) : m_spare.back();
        if (!m_spare.empty())
            m_spare.pop_back();
        copy->setObjectName(QStringLiteral("%1_%2").arg(m_name).arg(index));
        copyControlLook(element0, *copy);
        if constexpr (std::is_base_of_v<QAbstractButton, T>) {
            copy->setText(element0.text());
            // A chosen option button of a group cannot be cleared while it is exclusive.
            const bool exclusive = copy->autoExclusive();
            copy->setAutoExclusive(false);
            copy->setChecked(false);
            copy->setAutoExclusive(exclusive);
        }
        m_items[index] = copy;
    }

    void Unload(int index)
    {
        if (index == 0)
            throw Errors::cannotUnloadDesignElement(m_name);
        const auto found = m_items.find(index);
        if (found == m_items.end())
            throw Errors::noSuchElement(m_name, index);
        found->second->hide();
        m_spare.push_back(found->second);
        m_items.erase(found);
    }

private:
    QString m_name;
    std::map<int, T *> m_items;
    std::vector<T *> m_spare;
};
