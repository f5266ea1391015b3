/* Section order of the product Tephrix.olp. Derived from binutils' default i386pe script, with
   the output sections ordered by protection: code; read-only data, unwind tables and the
   export directory; writable data with TLS and the CRT tables, the import tables and .bss last
   (its zeros take no room in the file); resources; relocations. .edata and .idata stay output
   sections of their own because the linker finds the export and import directories by those
   names; the marker tool then joins neighbours of one protection, which leaves the five
   sections .text, .rdata, .data, .rsrc and .reloc. */
OUTPUT_FORMAT(pei-i386)
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text  __image_base__ + ( __section_alignment__ < 0x1000 ? . : __section_alignment__ ) :
  {
    KEEP (*(SORT_NONE(.init)))
    *(.text)
    *(SORT(.text$*))
    *(.text.*)
    *(.gnu.linkonce.t.*)
    /* Defined here, not PROVIDEd: libgcc's ctors.o expects these to override its commons. */
    ___CTOR_LIST__ = .;
    __CTOR_LIST__ = .;
    LONG (-1);
    KEEP(*(.ctors));
    KEEP(*(.ctor));
    KEEP(*(SORT_BY_NAME(.ctors.*)));
    LONG (0);
    ___DTOR_LIST__ = .;
    __DTOR_LIST__ = .;
    LONG (-1);
    KEEP(*(.dtors));
    KEEP(*(.dtor));
    KEEP(*(SORT_BY_NAME(.dtors.*)));
    LONG (0);
    KEEP (*(SORT_NONE(.fini)))
    *(.gcc_exc)
    PROVIDE (etext = .);
    PROVIDE (_etext = .);
    KEEP (*(.gcc_except_table))
  }
  .rdata BLOCK(__section_alignment__) :
  {
    *(.rdata)
    *(SORT(.rdata$*))
    . = ALIGN(4);
    __rt_psrelocs_start = .;
    KEEP(*(.rdata_runtime_pseudo_reloc))
    __rt_psrelocs_end = .;
    . = ALIGN(4);
    KEEP(*(.eh_frame*))
  }
  __rt_psrelocs_size = __rt_psrelocs_end - __rt_psrelocs_start;
  ___RUNTIME_PSEUDO_RELOC_LIST_END__ = __rt_psrelocs_end;
  __RUNTIME_PSEUDO_RELOC_LIST_END__ = __rt_psrelocs_end;
  ___RUNTIME_PSEUDO_RELOC_LIST__ = __rt_psrelocs_start;
  __RUNTIME_PSEUDO_RELOC_LIST__ = __rt_psrelocs_start;
  .edata BLOCK(__section_alignment__) :
  {
    *(.edata)
  }
  /DISCARD/ :
  {
    *(.debug$S)
    *(.debug$T)
    *(.debug$F)
    *(.drectve)
    *(.note.GNU-stack)
    *(.gnu.lto_*)
  }
  .data BLOCK(__section_alignment__) :
  {
    /* TLS first: _tls_start must begin its section for SECREL32 relocations. */
    ___tls_start__ = . ;
    KEEP (*(.tls$AAA))
    KEEP (*(.tls))
    KEEP (*(.tls$))
    KEEP (*(SORT(.tls$*)))
    KEEP (*(.tls$ZZZ))
    ___tls_end__ = . ;
    . = ALIGN(4);
    __data_start__ = . ;
    *(.data)
    *(.data2)
    *(SORT(.data$*))
    KEEP(*(.jcr))
    __data_end__ = . ;
    . = ALIGN(4);
    ___crt_xc_start__ = . ;
    KEEP (*(SORT(.CRT$XC*)))
    ___crt_xc_end__ = . ;
    ___crt_xd_start__ = . ;
    KEEP (*(SORT(.CRT$XD*)))  /* thread-local initializers, tlssup's markers */
    ___crt_xd_end__ = . ;
    ___crt_xi_start__ = . ;
    KEEP (*(SORT(.CRT$XI*)))
    ___crt_xi_end__ = . ;
    ___crt_xl_start__ = . ;
    KEEP (*(SORT(.CRT$XL*)))
    ___crt_xp_start__ = . ;
    KEEP (*(SORT(.CRT$XP*)))
    ___crt_xp_end__ = . ;
    ___crt_xt_start__ = . ;
    KEEP (*(SORT(.CRT$XT*)))
    ___crt_xt_end__ = . ;
  }
  .idata BLOCK(__section_alignment__) :
  {
    /* Sorted as pe.em expects; these cannot be grouped sections. */
    KEEP (SORT(*)(.idata$2))
    KEEP (SORT(*)(.idata$3))
    LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);
    KEEP (SORT(*)(.idata$4))
    __IAT_start__ = .;
    KEEP (SORT(*)(.idata$5))
    __IAT_end__ = .;
    KEEP (SORT(*)(.idata$6))
    KEEP (SORT(*)(.idata$7))
  }
  .bss BLOCK(__section_alignment__) :
  {
    __bss_start__ = . ;
    *(.bss)
    *(COMMON)
    __bss_end__ = . ;
    PROVIDE (end = .);
    PROVIDE (_end = .);
    __end__ = .;
  }
  .rsrc BLOCK(__section_alignment__) : SUBALIGN(4)
  {
    KEEP (*(.rsrc))
    KEEP (*(.rsrc$*))
  }
  .reloc BLOCK(__section_alignment__) :
  {
    *(.reloc)
  }
}
