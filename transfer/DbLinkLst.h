#pragma once
// DbLinkLst: the engine's locked doubly linked list. Elements enter at the head and
// leave at the tail, so the tail is always the oldest. The list owns its elements.
#include "Lock.h"

namespace dblinklst {

template <typename T, typename Tag>
class DbLinkLst {
public:
    DbLinkLst() = default;
    virtual ~DbLinkLst() { Clear(); }
    DbLinkLst(const DbLinkLst&) = delete;
    DbLinkLst& operator=(const DbLinkLst&) = delete;

    void PushFront(T* element) {
        CLockGuard guard(lock_);
        Node* node = new Node{element, head_, nullptr};
        if (head_) {
            head_->prev = node;
        } else {
            tail_ = node;
        }
        head_ = node;
    }

    // The oldest element, now owned by the caller; null when empty.
    T* PopBack() {
        CLockGuard guard(lock_);
        if (!tail_) return nullptr;
        Node* node = tail_;
        Unlink(node);
        T* element = node->data;
        delete node;
        return element;
    }

    // The oldest element, left in the list; hold Lock() while using it.
    T* PeekBack() {
        CLockGuard guard(lock_);
        return tail_ ? tail_->data : nullptr;
    }

    // The newest element with that downloadId; hold Lock() while using it.
    T* FindById(int downloadId) {
        CLockGuard guard(lock_);
        Node* node = Find(downloadId);
        return node ? node->data : nullptr;
    }

    void RemoveById(int downloadId) {
        CLockGuard guard(lock_);
        if (Node* node = Find(downloadId)) {
            Unlink(node);
            delete node->data;
            delete node;
        }
    }

    void Clear() {
        CLockGuard guard(lock_);
        while (Node* node = head_) {
            head_ = node->next;
            delete node->data;
            delete node;
        }
        tail_ = nullptr;
    }

    bool Empty() {
        CLockGuard guard(lock_);
        return head_ == nullptr;
    }

    // Re-entrant: a holder may call the operations above.
    CLock& Lock() { return lock_; }

    // Head to tail, for checks of the link structure.
    template <typename F>
    void ForEach(F&& visit) {
        CLockGuard guard(lock_);
        for (Node* n = head_; n; n = n->next) visit(n->data);
    }
    // Tail to head.
    template <typename F>
    void ForEachReverse(F&& visit) {
        CLockGuard guard(lock_);
        for (Node* n = tail_; n; n = n->prev) visit(n->data);
    }

private:
    struct Node {
        T* data;
        Node* next;  // towards the tail
        Node* prev;  // towards the head
    };

    Node* Find(int downloadId) {
        for (Node* n = head_; n; n = n->next) {
            if (n->data && n->data->GetDownloadId() == downloadId) return n;
        }
        return nullptr;
    }

    void Unlink(Node* node) {
        if (node->prev) {
            node->prev->next = node->next;
        } else {
            head_ = node->next;
        }
        if (node->next) {
            node->next->prev = node->prev;
        } else {
            tail_ = node->prev;
        }
    }

    CLock lock_;
    Node* head_ = nullptr;
    Node* tail_ = nullptr;
};

}  // namespace dblinklst
