// Arrays in the language: declarations, element access, whole-array
// statements and the array-expression grammar, display, deletion and the
// arrays of arrays. The store and the arithmetic are in src/matrix.
#pragma once

#include <cstdio>

#include "interpreter/operand.h"
#include "interpreter/token_nodes.h"
#include "matrix/array_store.h"
#include "matrix/matrix.h"

namespace tolmex {

extern int doing_sys_func;
extern int addresser;  // the first index of arrays, 0 or 1
extern int uninit;     // uninitialised-element warnings in this command

// An array statement (first token "[", double quote, "~", "Trans", "Diag",
// "Adjoint", "Altmult", "Altpower" or "MPowermod").
void arr_parse(FILE* in, TokenNode*& cursor);
// The array-of-arrays statement (first token "%").
void arr_arr_state(FILE* in, Operand& value, TokenNode*& cursor);
// An element name[...] as a factor (the current token is "[").
void array_element(FILE* in, const char* name, Operand& value, TokenNode*& cursor);
// "<[...]": an element of the system array (the current token is "[").
void system_array_element(FILE* in, Operand& value, TokenNode*& cursor);
// "%...": an element of an array of arrays.
void array_of_arrays_element(FILE* in, Operand& value, TokenNode*& cursor);
// "<F": the current system function.
void system_function(FILE* in, Operand& value, TokenNode*& cursor);

// Stores v into the element `target`; value becomes a copy of it.
void assign_array_element(const ElementRef& target, Quoly&& v, Operand& value);

// The declaration of the built-in Array (its name has been read; the
// current token is the one after it).
void create_array(FILE* in, TokenNode*& cursor);
// Reads an integer for a dimension or an index (modular arithmetic
// suspended); error `code` when it is not a number of at most 63 bits.
int64_t read_index(FILE* in, TokenNode*& cursor, int code);
// "[" name "]" of an array argument (the current token is "["): the array,
// with the token after "]" current.
ArrayRec* read_array_argument(FILE* in, TokenNode*& cursor);
// The entries of a, unassigned dense entries set to 0 with the warning of
// whole-array readers.
Matrix read_whole_array(ArrayRec* a);

// Deletes the array (messages for array parameters); in_use: the name is
// still needed by the caller.
void removearray(const char* name, bool in_use);
// The cancel forms "@[name]" and "@[*]" (the current token is "[").
void cancel_array(FILE* in, TokenNode*& cursor);

// The declaration text of a (save files and listings).
void arrdescribe(FILE* out, const ArrayRec* a);
// The entries of a: as a literal that reads back (literal), else entry by
// entry.
void arrdisplay(FILE* out, const ArrayRec* a, bool literal);
void display_matrix(FILE* out, const char* name, const Matrix& m, bool literal);
// The arrays of the "&v" listing.
void list_arrays();
// "&4": the temporary array copy, if any.
void show_temporary_array();
// Joins the arrays to the change of ground ring and the driver's resets.
void register_arrays();

}  // namespace tolmex
