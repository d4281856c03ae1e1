#pragma once
// Stable in-place sort without allocation: block merge sort whose internal buffer is made of
// distinct keys gathered from the input itself. Usable on any thread.
//
// The comparator takes two const elements and returns an int: negative when the first belongs
// before the second, positive after, 0 when equivalent (their input order then stays).
// Elements are moved by plain swaps; none is constructed or destroyed.

#include <span>
#include <utility>

namespace rigging {

namespace grail_detail {

template <typename T, typename Cmp>
struct Sorter {
    Cmp& cmp;

    static void swap1(T* a, T* b) noexcept {
        T t = *a;
        *a = *b;
        *b = t;
    }
    static void swapN(T* a, T* b, int n) noexcept {
        while (n-- > 0) swap1(a++, b++);
    }

    // Exchanges the adjacent runs a[0, l1) and a[l1, l1 + l2) by block swaps.
    static void rotate(T* a, int l1, int l2) noexcept {
        while (l1 != 0 && l2 != 0) {
            if (l1 <= l2) {
                swapN(a, a + l1, l1);
                a += l1;
                l2 -= l1;
            } else {
                swapN(a + (l1 - l2), a + l1, l2);
                l1 -= l2;
            }
        }
    }

    // First position whose element is not below key.
    int binSearchLeft(const T* arr, int len, const T& key) const {
        int a = -1, b = len;
        while (a < b - 1) {
            int c = a + ((b - a) >> 1);
            if (cmp(arr[c], key) >= 0)
                b = c;
            else
                a = c;
        }
        return b;
    }

    // First position whose element is above key.
    int binSearchRight(const T* arr, int len, const T& key) const {
        int a = -1, b = len;
        while (a < b - 1) {
            int c = a + ((b - a) >> 1);
            if (cmp(arr[c], key) > 0)
                b = c;
            else
                a = c;
        }
        return b;
    }

    // Insertion sort moving an element left only past strictly greater ones.
    void sortIns(T* arr, int len) const {
        for (int i = 1; i < len; ++i)
            for (int j = i - 1; j >= 0 && cmp(arr[j + 1], arr[j]) < 0; --j)
                swap1(arr + j, arr + j + 1);
    }

    // Gathers up to nkeys distinct elements, in sorted order, at the front; returns how many.
    int grail_FindKeys(T* arr, int len, int nkeys) const {
        int h = 1, h0 = 0;  // the keys found so far are arr[h0, h0 + h)
        for (int u = 1; u < len && h < nkeys; ++u) {
            int r = binSearchLeft(arr + h0, h, arr[u]);
            if (r == h || cmp(arr[u], arr[h0 + r]) != 0) {
                rotate(arr + h0, h, u - (h0 + h));
                h0 = u - h;
                rotate(arr + (h0 + r), h - r, 1);
                ++h;
            }
        }
        rotate(arr, h0, h);
        return h;
    }

    // Stable merge of arr[0, len1) and arr[len1, len1 + len2) by rotations only.
    void grail_MergeWithoutBuffer(T* arr, int len1, int len2) const {
        if (len1 < len2) {
            while (len1 != 0) {
                int h = binSearchLeft(arr + len1, len2, arr[0]);
                if (h != 0) {
                    rotate(arr, len1, h);
                    arr += h;
                    len2 -= h;
                }
                if (len2 == 0) break;
                do {
                    ++arr;
                    --len1;
                } while (len1 != 0 && cmp(arr[0], arr[len1]) <= 0);
            }
        } else {
            while (len2 != 0) {
                int h = binSearchRight(arr, len1, arr[len1 + len2 - 1]);
                if (h != len1) {
                    rotate(arr + h, len1 - h, len2);
                    len1 = h;
                }
                if (len1 == 0) break;
                do {
                    --len2;
                } while (len2 != 0 && cmp(arr[len1 - 1], arr[len1 + len2 - 1]) <= 0);
            }
        }
    }

    // arr[m, m + l1 + l2) receives the merge of arr[0, l1) and arr[l1, l1 + l2); the buffer
    // that starts at arr[m] (m < 0) moves to where the runs were.
    void mergeLeft(T* arr, int l1, int l2, int m) const {
        int p0 = 0, p1 = l1;
        l2 += l1;
        while (p1 < l2) {
            if (p0 == l1 || cmp(arr[p0], arr[p1]) > 0)
                swap1(arr + (m++), arr + (p1++));
            else
                swap1(arr + (m++), arr + (p0++));
        }
        if (m != p0) swapN(arr + m, arr + p0, l1 - p0);
    }

    // The mirror: the runs end up m places to the right, the buffer behind them moves left.
    void mergeRight(T* arr, int l1, int l2, int m) const {
        int p0 = l1 + l2 + m - 1, p2 = l1 + l2 - 1, p1 = l1 - 1;
        while (p1 >= 0) {
            if (p2 < l1 || cmp(arr[p1], arr[p2]) > 0)
                swap1(arr + (p0--), arr + (p1--));
            else
                swap1(arr + (p0--), arr + (p2--));
        }
        if (p2 != p0)
            while (p2 >= l1) swap1(arr + (p0--), arr + (p2--));
    }

    // Merges the rest of the previous run (length *alen1, origin *atype) with the next block
    // through the buffer of lkeys elements before arr; what remains unmerged is left at the end.
    void smartMergeWithBuffer(T* arr, int* alen1, int* atype, int len2, int lkeys) const {
        int p0 = -lkeys, p1 = 0, p2 = *alen1, q1 = p2, q2 = p2 + len2;
        const int ftype = 1 - *atype;  // 1: the first run wins ties
        while (p1 < q1 && p2 < q2) {
            if (cmp(arr[p1], arr[p2]) < ftype)
                swap1(arr + (p0++), arr + (p1++));
            else
                swap1(arr + (p0++), arr + (p2++));
        }
        if (p1 < q1) {
            *alen1 = q1 - p1;
            while (p1 < q1) swap1(arr + (--q1), arr + (--q2));
        } else {
            *alen1 = q2 - p2;
            *atype = ftype;
        }
    }

    void grail_SmartMergeWithoutBuffer(T* arr, int* alen1, int* atype, int len2) const {
        if (len2 == 0) return;
        int len1 = *alen1;
        const int ftype = 1 - *atype;
        if (len1 != 0 && cmp(arr[len1 - 1], arr[len1]) >= ftype) {
            while (len1 != 0) {
                int h = ftype ? binSearchLeft(arr + len1, len2, arr[0])
                              : binSearchRight(arr + len1, len2, arr[0]);
                if (h != 0) {
                    rotate(arr, len1, h);
                    arr += h;
                    len2 -= h;
                }
                if (len2 == 0) {
                    *alen1 = len1;
                    return;
                }
                do {
                    ++arr;
                    --len1;
                } while (len1 != 0 && cmp(arr[0], arr[len1]) < ftype);
            }
        }
        *alen1 = len2;
        *atype = ftype;
    }

    // Merges blocks of lblock elements whose origin is told by comparing their key with midkey
    // (below: first run). The first nblock blocks are already ordered by their first elements;
    // then come nblock2 blocks of the first run and a last short block of llast elements of the
    // second run. With havebuf, arr[-lblock, 0) is the buffer.
    void grail_MergeBuffersLeft(const T* keys, const T* midkey, T* arr, int nblock, int lblock,
                                bool havebuf, int nblock2, int llast) const {
        if (nblock == 0) {
            int l = nblock2 * lblock;
            if (havebuf)
                mergeLeft(arr, l, llast, -lblock);
            else
                grail_MergeWithoutBuffer(arr, l, llast);
            return;
        }
        int lrest = lblock;
        int frest = cmp(keys[0], *midkey) < 0 ? 0 : 1;
        int pidx = lblock;
        int prest;
        for (int cidx = 1; cidx < nblock; ++cidx, pidx += lblock) {
            prest = pidx - lrest;
            int fnext = cmp(keys[cidx], *midkey) < 0 ? 0 : 1;
            if (fnext == frest) {
                if (havebuf) swapN(arr + prest - lblock, arr + prest, lrest);
                prest = pidx;
                lrest = lblock;
            } else if (havebuf) {
                smartMergeWithBuffer(arr + prest, &lrest, &frest, lblock, lblock);
            } else {
                grail_SmartMergeWithoutBuffer(arr + prest, &lrest, &frest, lblock);
            }
        }
        prest = pidx - lrest;
        if (llast != 0) {
            if (frest != 0) {
                if (havebuf) swapN(arr + prest - lblock, arr + prest, lrest);
                prest = pidx;
                lrest = lblock * nblock2;
            } else {
                lrest += lblock * nblock2;
            }
            if (havebuf)
                mergeLeft(arr + prest, lrest, llast, -lblock);
            else
                grail_MergeWithoutBuffer(arr + prest, lrest, llast);
        } else if (havebuf) {
            swapN(arr + prest, arr + (prest - lblock), lrest);
        }
    }

    void grail_LazyStableSort(T* arr, int len) const {
        for (int m = 1; m < len; m += 2)
            if (cmp(arr[m - 1], arr[m]) > 0) swap1(arr + (m - 1), arr + m);
        for (int h = 2; h < len; h *= 2) {
            int p0 = 0, p1 = len - 2 * h;
            while (p0 <= p1) {
                grail_MergeWithoutBuffer(arr + p0, h, h);
                p0 += 2 * h;
            }
            int rest = len - p0;
            if (rest > h) grail_MergeWithoutBuffer(arr + p0, h, rest - h);
        }
    }

    // Sorts arr[0, len) into runs of 2k elements, using the k elements before arr as the
    // buffer (the buffer ends up before arr again).
    void grail_BuildBlocks(T* arr, int len, int k) const {
        for (int m = 1; m < len; m += 2) {
            int u = cmp(arr[m - 1], arr[m]) > 0 ? 1 : 0;
            swap1(arr + (m - 3), arr + (m - 1 + u));
            swap1(arr + (m - 2), arr + (m - u));
        }
        if (len % 2 != 0) swap1(arr + (len - 1), arr + (len - 3));
        arr -= 2;
        for (int h = 2; h < k; h *= 2) {
            int p0 = 0, p1 = len - 2 * h;
            while (p0 <= p1) {
                mergeLeft(arr + p0, h, h, -h);
                p0 += 2 * h;
            }
            int rest = len - p0;
            if (rest > h)
                mergeLeft(arr + p0, h, rest - h, -h);
            else
                rotate(arr + p0 - h, h, rest);
            arr -= h;
        }
        int restk = len % (2 * k);
        int p = len - restk;
        if (restk <= k)
            rotate(arr + p, restk, k);
        else
            mergeRight(arr + p, k, restk - k, k);
        while (p > 0) {
            p -= 2 * k;
            mergeRight(arr + p, k, k, k);
        }
    }

    // Merges neighbouring runs of ll elements in pairs, in blocks of lblock; keys sit before
    // the data and tag where each block came from.
    void grail_CombineBlocks(T* keys, T* arr, int len, int ll, int lblock, bool havebuf) const {
        const int m = len / (2 * ll);
        int lrest = len % (2 * ll);
        if (lrest <= ll) {
            len -= lrest;
            lrest = 0;
        }
        for (int b = 0; b <= m; ++b) {
            if (b == m && lrest == 0) break;
            T* arr1 = arr + b * 2 * ll;
            const int nblk = (b == m ? lrest : 2 * ll) / lblock;
            sortIns(keys, nblk + (b == m ? 1 : 0));
            int midkey = ll / lblock;
            // Selection sort of the blocks by their first elements, the keys breaking ties.
            for (int u = 1; u < nblk; ++u) {
                int p = u - 1;
                for (int v = u; v < nblk; ++v) {
                    int kc = cmp(arr1[p * lblock], arr1[v * lblock]);
                    if (kc > 0 || (kc == 0 && cmp(keys[p], keys[v]) > 0)) p = v;
                }
                if (p != u - 1) {
                    swapN(arr1 + (u - 1) * lblock, arr1 + p * lblock, lblock);
                    swap1(keys + (u - 1), keys + p);
                    if (midkey == u - 1 || midkey == p) midkey ^= (u - 1) ^ p;
                }
            }
            int nbl2 = 0, llast = 0;
            if (b == m) llast = lrest % lblock;
            if (llast != 0)
                while (nbl2 < nblk &&
                       cmp(arr1[nblk * lblock], arr1[(nblk - nbl2 - 1) * lblock]) < 0)
                    ++nbl2;
            grail_MergeBuffersLeft(keys, keys + midkey, arr1, nblk - nbl2, lblock, havebuf, nbl2,
                                   llast);
        }
        if (havebuf)
            while (--len >= 0) swap1(arr + len, arr + len - lblock);
    }

    void sort(T* arr, int len) const {
        if (len < 16) {
            sortIns(arr, len);
            return;
        }
        int lblock = 1;
        while (static_cast<long long>(lblock) * lblock < len) lblock *= 2;
        int nkeys = (len - 1) / lblock + 1;
        const int findkeys = grail_FindKeys(arr, len, nkeys + lblock);
        bool havebuf = true;
        if (findkeys < nkeys + lblock) {
            if (findkeys < 4) {
                grail_LazyStableSort(arr, len);
                return;
            }
            nkeys = lblock;
            while (nkeys > findkeys) nkeys /= 2;
            havebuf = false;
            lblock = 0;
        }
        const int ptr = lblock + nkeys;
        int cbuf = havebuf ? lblock : nkeys;
        // Without a full buffer the keys themselves serve as the buffer for the first runs:
        // they are distinct, so sorting them again later restores them.
        grail_BuildBlocks(arr + ptr, len - ptr, cbuf);

        // Runs of 2 * cbuf are built.
        while (len - ptr > (cbuf *= 2)) {
            int lb = lblock;
            bool chavebuf = havebuf;
            if (!havebuf) {
                if (nkeys > 4 && nkeys / 8 * nkeys >= cbuf) {
                    lb = nkeys / 2;
                    chavebuf = true;
                } else {
                    int nk = 1;
                    long long s = static_cast<long long>(cbuf) * findkeys / 2;
                    while (nk < nkeys && s != 0) {
                        nk *= 2;
                        s /= 8;
                    }
                    lb = (2 * cbuf) / nk;
                }
            }
            grail_CombineBlocks(arr, arr + ptr, len - ptr, cbuf, lb, chavebuf);
        }
        sortIns(arr, ptr);
        grail_MergeWithoutBuffer(arr, ptr, len - ptr);
    }
};

}  // namespace grail_detail

template <typename T, typename Cmp>
void grailSort(std::span<T> array, Cmp&& comparator) {
    grail_detail::Sorter<T, std::remove_reference_t<Cmp>> sorter{comparator};
    sorter.sort(array.data(), static_cast<int>(array.size()));
}

}  // namespace rigging
