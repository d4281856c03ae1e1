#pragma once
// Ordered key -> value map without duplicates over a red-black tree. Keys and values are
// bit-copied, never constructed or destroyed by the map; values that own memory are freed by
// their owner. Not thread-safe: users serialise access.

#include "rigging/core/nogc.h"
#include "rigging/core/vec.h"

namespace rigging {

// "a < b" on keys.
struct KeyLess {
    template <typename T>
    bool operator()(const T& a, const T& b) const noexcept {
        return a < b;
    }
};

template <BitCopyable K, BitCopyable V>
struct KeyValue {
    K key;
    V value;
};

template <BitCopyable K, BitCopyable V>
struct RBNode {
    RBNode* left;
    RBNode* right;
    RBNode* parent;
    KeyValue<K, V> value;
    bool color;  // true: black
};

// The sentinel `end` is the parent of the root (its left child) and holds no entry; `begin` is
// the leftmost node, or end when the tree is empty.
template <BitCopyable K, BitCopyable V, typename Less = KeyLess>
class RedBlackTree {
public:
    using Node = RBNode<K, V>;
    static constexpr bool kBlack = true;
    static constexpr bool kRed = false;

    RedBlackTree() noexcept : end_(newNode()), begin_(end_) {}
    RedBlackTree(const RedBlackTree&) = delete;
    RedBlackTree& operator=(const RedBlackTree&) = delete;
    ~RedBlackTree() {
        while (length_ != 0) removeBack();
        destroyFree(end_);
    }

    Node* root() const noexcept { return end_->left; }
    Node* end() const noexcept { return end_; }
    Node* begin() const noexcept { return begin_; }
    std::size_t length() const noexcept { return length_; }

    // The node holding key, or null.
    Node* find(const K& key) const noexcept {
        Less less;
        Node* n = end_->left;
        while (n) {
            if (less(key, n->value.key))
                n = n->left;
            else if (less(n->value.key, key))
                n = n->right;
            else
                return n;
        }
        return nullptr;
    }

    // The in-order successor; end after the largest entry.
    static Node* next(Node* n) noexcept {
        if (n->right) {
            n = n->right;
            while (n->left) n = n->left;
            return n;
        }
        while (n->parent && n == n->parent->right) n = n->parent;
        return n->parent;
    }

    // Inserts unless the key is present; `added` tells which, the result is the node concerned.
    Node* add(const KeyValue<K, V>& entry, bool& added) noexcept {
        Less less;
        added = false;
        Node* n;
        if (end_->left == nullptr) {
            n = newNode(entry, end_);
            end_->left = n;
            begin_ = n;
            added = true;
        } else {
            Node* at = end_->left;
            for (;;) {
                Node** slot;
                if (less(entry.key, at->value.key))
                    slot = &at->left;
                else if (less(at->value.key, entry.key))
                    slot = &at->right;
                else {
                    n = at;
                    break;
                }
                if (*slot == nullptr) {
                    n = *slot = newNode(entry, at);
                    added = true;
                    break;
                }
                at = *slot;
            }
            if (begin_->left) begin_ = begin_->left;
        }
        if (added) {
            ++length_;
            setColor(n);
        }
        return n;
    }

    // Removes the largest entry.
    void removeBack() noexcept {
        Node* n = end_->left;
        while (n->right) n = n->right;
        removeNode(n);
    }

    // Unlinks and frees one node.
    void removeNode(Node* n) noexcept {
        Node* following = remove(n);
        if (n == begin_) begin_ = following;
        destroyFree(n);
        --length_;
    }

private:
    static bool isBlack(const Node* n) noexcept { return n == nullptr || n->color == kBlack; }

    static Node* newNode() noexcept {
        Node* n = mallocNew<Node>();
        n->left = n->right = n->parent = nullptr;
        n->color = kBlack;
        return n;
    }
    static Node* newNode(const KeyValue<K, V>& entry, Node* parent) noexcept {
        Node* n = newNode();
        n->value = entry;
        n->parent = parent;
        n->color = kRed;
        return n;
    }

    // The sentinel takes part as the root's parent: its left child is the root, so replacing a
    // child of the parent needs no special case for the root.
    static void replaceChild(Node* parent, Node* old, Node* fresh) noexcept {
        if (parent->left == old)
            parent->left = fresh;
        else
            parent->right = fresh;
    }

    static void rotateLeft(Node* x) noexcept {
        Node* y = x->right;
        x->right = y->left;
        if (y->left) y->left->parent = x;
        y->parent = x->parent;
        replaceChild(x->parent, x, y);
        y->left = x;
        x->parent = y;
    }

    static void rotateRight(Node* x) noexcept {
        Node* y = x->left;
        x->left = y->right;
        if (y->right) y->right->parent = x;
        y->parent = x->parent;
        replaceChild(x->parent, x, y);
        y->right = x;
        x->parent = y;
    }

    void setColor(Node* n) noexcept {
        for (;;) {
            if (n->parent == end_) {
                n->color = kBlack;
                return;
            }
            Node* p = n->parent;
            if (p->color == kBlack) return;
            Node* g = p->parent;  // a red parent is never the root
            Node* u = p == g->left ? g->right : g->left;
            if (!isBlack(u)) {
                p->color = u->color = kBlack;
                g->color = kRed;
                n = g;
                continue;
            }
            if (p == g->left) {
                if (n == p->right) {
                    rotateLeft(p);
                    p = n;
                }
                rotateRight(g);
            } else {
                if (n == p->left) {
                    rotateRight(p);
                    p = n;
                }
                rotateLeft(g);
            }
            p->color = kBlack;
            g->color = kRed;
            return;
        }
    }

    // Puts s (the successor of a, the leftmost node of a's right subtree) where a is, and a
    // where s was; colours go with the positions. Node addresses keep their entries.
    static void swapWithSuccessor(Node* a, Node* s) noexcept {
        Node* ap = a->parent;
        Node* al = a->left;
        Node* ar = a->right;
        Node* sp = s->parent;
        Node* sr = s->right;
        replaceChild(ap, a, s);
        s->parent = ap;
        s->left = al;
        al->parent = s;
        if (ar == s) {
            s->right = a;
            a->parent = s;
        } else {
            s->right = ar;
            ar->parent = s;
            sp->left = a;
            a->parent = sp;
        }
        a->left = nullptr;
        a->right = sr;
        if (sr) sr->parent = a;
        bool c = a->color;
        a->color = s->color;
        s->color = c;
    }

    // Takes z out of the tree and restores the colours; returns its in-order successor.
    Node* remove(Node* z) noexcept {
        Node* following = next(z);
        if (z->left && z->right) swapWithSuccessor(z, following);
        Node* child = z->left ? z->left : z->right;
        Node* parent = z->parent;
        if (child) child->parent = parent;
        replaceChild(parent, z, child);
        if (z->color == kBlack) {
            if (!isBlack(child))
                child->color = kBlack;
            else
                eraseFixup(child, parent);
        }
        return following;
    }

    // x (possibly null) lacks one black on its paths; its parent is xp.
    void eraseFixup(Node* x, Node* xp) noexcept {
        while (xp != end_ && isBlack(x)) {
            if (x == xp->left) {
                Node* w = xp->right;
                if (!isBlack(w)) {
                    w->color = kBlack;
                    xp->color = kRed;
                    rotateLeft(xp);
                    w = xp->right;
                }
                if (isBlack(w->left) && isBlack(w->right)) {
                    w->color = kRed;
                    x = xp;
                    xp = x->parent;
                } else {
                    if (isBlack(w->right)) {
                        w->left->color = kBlack;
                        w->color = kRed;
                        rotateRight(w);
                        w = xp->right;
                    }
                    w->color = xp->color;
                    xp->color = kBlack;
                    w->right->color = kBlack;
                    rotateLeft(xp);
                    x = end_->left;
                    break;
                }
            } else {
                Node* w = xp->left;
                if (!isBlack(w)) {
                    w->color = kBlack;
                    xp->color = kRed;
                    rotateRight(xp);
                    w = xp->left;
                }
                if (isBlack(w->left) && isBlack(w->right)) {
                    w->color = kRed;
                    x = xp;
                    xp = x->parent;
                } else {
                    if (isBlack(w->left)) {
                        w->right->color = kBlack;
                        w->color = kRed;
                        rotateLeft(w);
                        w = xp->left;
                    }
                    w->color = xp->color;
                    xp->color = kBlack;
                    w->left->color = kBlack;
                    rotateRight(xp);
                    x = end_->left;
                    break;
                }
            }
        }
        if (x) x->color = kBlack;
    }

    Node* end_;
    Node* begin_;
    std::size_t length_ = 0;
};

// The tree is made on the first insertion; a map that never received an entry owns nothing.
template <BitCopyable K, BitCopyable V, typename Less = KeyLess>
class Map {
public:
    using Tree = RedBlackTree<K, V, Less>;

    Map() noexcept = default;
    Map(const Map&) = delete;
    Map& operator=(const Map&) = delete;
    ~Map() { destroyFree(tree_); }

    // Inserts, or replaces the value of a present key (its node and colours stay).
    void assign(const K& key, const V& value) noexcept {
        if (tree_) {
            if (auto* n = tree_->find(key)) {
                n->value.value = value;
                return;
            }
        } else {
            tree_ = mallocNew<Tree>();
        }
        bool added;
        tree_->add(KeyValue<K, V>{key, value}, added);
    }

    // The stored value, or null.
    V* find(const K& key) const noexcept {
        if (!tree_) return nullptr;
        auto* n = tree_->find(key);
        return n ? &n->value.value : nullptr;
    }

    std::size_t length() const noexcept { return tree_ ? tree_->length() : 0; }
    Tree* tree() const noexcept { return tree_; }

private:
    Tree* tree_ = nullptr;
};

}  // namespace rigging
