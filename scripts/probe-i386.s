# A static i386 program with no library: prints the machine name the kernel reports to it.
# A 32-bit process on an x86_64 kernel reads "x86_64"; under qemu-i386 user emulation it reads
# "i686" (qemu answers uname itself); where the kernel refuses 32-bit programs it does not start.
        .text
        .globl _start
_start:
        movl $122, %eax             # newuname
        movl $uts, %ebx
        int $0x80
        testl %eax, %eax
        jnz 3f
        movl $uts+260, %ecx         # the machine field
        xorl %edx, %edx
1:      cmpb $0, (%ecx,%edx)
        je 2f
        incl %edx
        jmp 1b
2:      movb $10, (%ecx,%edx)
        incl %edx
        movl $4, %eax               # write(1, machine, length)
        movl $1, %ebx
        int $0x80
        movl $1, %eax               # exit(0)
        xorl %ebx, %ebx
        int $0x80
3:      movl $1, %eax               # exit(1)
        movl $1, %ebx
        int $0x80
        .bss
uts:    .space 400
