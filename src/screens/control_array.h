#pragma once

#include "runtime_error.h"

#include <QAbstractButton>
#include <QString>
#include <QWidget>

#include <map>

// Copies the look and place of a template control onto a new one in the same container, and
// stacks the copy directly above the template, so that whatever lay above the template (a frame
// shown later) still lies above its copies.
void copyControlLook(const QWidget &from, QWidget &to);

// A control array: element 0 is the hidden template placed in the layout; elements 1..n are
// loaded at run time as hidden copies of it and unloaded again.
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
        auto *copy = new T(element0.parentWidget());
        copy->setObjectName(QStringLiteral("%1_%2").arg(m_name).arg(index));
        copyControlLook(element0, *copy);
        if constexpr (std::is_base_of_v<QAbstractButton, T>) {
            copy->setText(element0.text());
            copy->setChecked(false);
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
        delete found->second;
        m_items.erase(found);
    }

private:
    QString m_name;
    std::map<int, T *> m_items;
};
